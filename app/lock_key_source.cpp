// Where the lock keys come from. Only X11 tells a client the keyboard's lock
// state; Wayland sends it only with key events to the focused surface and Qt
// does not pass it on, so there the panes stay hidden.
#include <QGuiApplication>

#include "app/lock_key_indicators.h"

#ifdef TREVALIN_HAVE_X11
#include <X11/XKBlib.h>
#endif

namespace trevalin {
namespace {

class NoLockKeySource : public LockKeySource {
  public:
    std::optional<LockKeyState> read() override { return std::nullopt; }
};

#ifdef TREVALIN_HAVE_X11
class X11LockKeySource : public LockKeySource {
  public:
    explicit X11LockKeySource(Display* display) : display_(display) {}

    std::optional<LockKeyState> read() override {
        LockKeyState state;
        // The indicators by name: which LED a lock lights depends on the keymap.
        // A keymap without one of them shows it off; one without any (or a
        // server without XKB) reports nothing.
        const bool any = (int(named("Caps Lock", state.caps)) + int(named("Num Lock", state.num)) +
                          int(named("Scroll Lock", state.scroll))) > 0;
        if (!any) return std::nullopt;
        return state;
    }

  private:
    bool named(const char* name, bool& on) {
        const Atom atom = XInternAtom(display_, name, True);
        if (atom == None) return false;
        Bool state = False;
        if (!XkbGetNamedIndicator(display_, atom, nullptr, &state, nullptr, nullptr)) return false;
        on = state;
        return true;
    }

    Display* display_;
};
#endif

} // namespace

std::unique_ptr<LockKeySource> makePlatformLockKeySource() {
#ifdef TREVALIN_HAVE_X11
    if (auto* x11 =
            qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr) {
        if (Display* display = x11->display()) return std::make_unique<X11LockKeySource>(display);
    }
#endif
    return std::make_unique<NoLockKeySource>();
}

} // namespace trevalin

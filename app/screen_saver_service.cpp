// The freedesktop screen-saver interface over the session bus. Every failure
// (no bus, no service, an error reply) is quiet: the program works the same,
// only the screen saver may start.
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>

#include "app/session_inhibitor.h"

namespace trevalin {
namespace {

const QString kService = QStringLiteral("org.freedesktop.ScreenSaver");
const QString kPath = QStringLiteral("/org/freedesktop/ScreenSaver");
const QString kInterface = QStringLiteral("org.freedesktop.ScreenSaver");
// A desktop that does not answer within this long is treated as having no
// service; the calls run on the user-interface thread.
constexpr int kCallTimeoutMs = 2000;

class ScreenSaverService : public InhibitService {
  public:
    std::optional<quint32> inhibit(const QString& application, const QString& reason) override {
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected()) return std::nullopt;
        QDBusMessage call =
            QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Inhibit"));
        call << application << reason;
        const QDBusReply<quint32> reply = bus.call(call, QDBus::Block, kCallTimeoutMs);
        if (!reply.isValid()) return std::nullopt;
        return reply.value();
    }

    void uninhibit(quint32 cookie) override {
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected()) return;
        QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface,
                                                           QStringLiteral("UnInhibit"));
        call << cookie;
        // No reply is needed; the session drops our cookies anyway when we exit.
        bus.send(call);
    }
};

} // namespace

std::unique_ptr<InhibitService> makeScreenSaverService() {
    return std::make_unique<ScreenSaverService>();
}

} // namespace trevalin

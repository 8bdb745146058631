// CAP, NUM and SCRL at the right of the status bar, lit while the lock is on.
// Where the platform does not report the lock keys (only X11 does here) the
// three are hidden rather than shown wrong.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <array>
#include <memory>
#include <optional>

class QLabel;
class QStatusBar;

namespace trevalin {

struct LockKeyState {
    bool caps = false;
    bool num = false;
    bool scroll = false;
};

class LockKeySource {
  public:
    virtual ~LockKeySource() = default;
    // The keyboard's locks now, or nothing when the platform cannot tell.
    virtual std::optional<LockKeyState> read() = 0;
};

// The keyboard LEDs of the X server the program is shown on; a source that
// reports nothing on any other platform.
std::unique_ptr<LockKeySource> makePlatformLockKeySource();

class LockKeyIndicators : public QObject {
    Q_OBJECT
  public:
    // Adds the three panes to bar and reads the locks again whenever window
    // is activated or a lock key goes down or up in the program.
    LockKeyIndicators(QStatusBar* bar, QWidget* window, std::unique_ptr<LockKeySource> source);

    void setSource(std::unique_ptr<LockKeySource> source);
    void refresh();

    enum Pane { kCaps, kNum, kScroll };
    QLabel* pane(Pane which) const { return panes_[which]; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    std::unique_ptr<LockKeySource> source_;
    QPointer<QWidget> window_;
    std::array<QLabel*, 3> panes_{};
};

} // namespace trevalin

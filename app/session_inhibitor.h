// Keeps the session's screen saver (and with it, on most desktops, suspend)
// from starting while the main window is active or a render or movie runs.
// The session is reached through a small interface so that tests can count
// the calls; without a service nothing happens and nothing is said.
#pragma once

#include <QObject>
#include <QString>
#include <memory>
#include <optional>

class QWidget;

namespace trevalin {

class ImageView;

// The session's inhibit service: Inhibit hands back a cookie, UnInhibit takes it.
class InhibitService {
  public:
    virtual ~InhibitService() = default;
    // The cookie, or nothing when the session does not take the request.
    virtual std::optional<quint32> inhibit(const QString& application, const QString& reason) = 0;
    virtual void uninhibit(quint32 cookie) = 0;
};

// org.freedesktop.ScreenSaver on the session bus.
std::unique_ptr<InhibitService> makeScreenSaverService();

class SessionInhibitor : public QObject {
    Q_OBJECT
  public:
    explicit SessionInhibitor(std::unique_ptr<InhibitService> service, QObject* parent = nullptr);
    ~SessionInhibitor() override;

    // Follows window's activation and view's renders.
    void watch(QWidget* window, ImageView* view);

    void setWindowActive(bool active);
    void setRendering(bool rendering);
    // True while the session holds a cookie of ours.
    bool holding() const { return cookie_.has_value(); }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void update();

    std::unique_ptr<InhibitService> service_;
    QWidget* window_ = nullptr;
    std::optional<quint32> cookie_;
    bool windowActive_ = false;
    bool rendering_ = false;
    // Asked once and refused: asking again on every focus change would only
    // repeat the refusal.
    bool refused_ = false;
};

} // namespace trevalin

// A padlock button that shows whether a width is held: closed when the state
// is not 0. The Movie Options page has one beside each width.
#pragma once

#include <QAbstractButton>
#include <QIcon>

namespace trevalin {

class LockButton : public QAbstractButton {
    Q_OBJECT
  public:
    explicit LockButton(QWidget* parent = nullptr);

    void setState(int state);
    int getState() const { return state_; }

    const QIcon& lockedIcon() const { return locked_; }
    const QIcon& unlockedIcon() const { return unlocked_; }

    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    int state_ = 0;
    QIcon locked_;
    QIcon unlocked_;
};

} // namespace trevalin

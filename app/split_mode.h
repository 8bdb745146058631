// view > Split: moving the divider between the two panes from the keyboard.
// Left and Right move it, Enter keeps it, Escape puts it back; a click ends
// the mode where the divider stands.
#pragma once

#include <QList>
#include <QObject>

class QSplitter;
class QStatusBar;

namespace trevalin {

class SplitMode : public QObject {
    Q_OBJECT
  public:
    SplitMode(QSplitter* splitter, QStatusBar* status, QObject* parent = nullptr);
    ~SplitMode() override;

    void start();
    bool active() const { return active_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void finish();

    QSplitter* splitter_;
    QStatusBar* status_;
    QList<int> savedSizes_;
    bool active_ = false;
};

} // namespace trevalin

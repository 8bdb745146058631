// The Movie Options page: duration and frame rate, the widths at the first and
// last frame with the per-frame zoom between them, priority, depth, codec,
// dithering, seamless looping, the movie's file name and the time slider. Two
// lock buttons decide which of start width, end width and zoom are held and
// which follow from the others.
#pragma once

#include "app/pages/field_table.h"
#include "app/pages/lock_button.h"
#include "app/pages/settings_page.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QSlider;

namespace trevalin {

class MovieFormatPicker;

class MovieOptionsPage : public SettingsPage {
    Q_OBJECT
  public:
    static constexpr int kTextLimit = 24;  // duration, frame rate, widths, zoom
    static constexpr int kFileLimit = 255; // the record's movie file, less its terminator

    explicit MovieOptionsPage(SettingsPane* tabs, QWidget* parent = nullptr);

    bool saveToSettings(RenderSettings& out) override;
    void loadFromSettings(const RenderSettings& in) override;
    void runFocusSequence() override;
    void markFailures(const std::vector<CompileFailure>& failures) override;

    // The held zoom that takes the held start width to the end width in
    // duration x frame rate steps; left as it is when there are no frames or a
    // width is not above 0. Shown at the next show.
    void recomputeZoom();
    // The "..." button: a save dialog for the movie's file name.
    void chooseFile();

    QLineEdit* durationEdit() const { return duration_; }
    QLineEdit* frameRateEdit() const { return frameRate_; }
    QLineEdit* zoomEdit() const { return zoom_; }
    QLineEdit* startWidthEdit() const { return startWidth_; }
    QLineEdit* endWidthEdit() const { return endWidth_; }
    LockButton* startLockButton() const { return startLock_; }
    LockButton* endLockButton() const { return endLock_; }
    QComboBox* priorityList() const { return priority_; }
    QComboBox* depthList() const { return depth_; }
    QComboBox* formatList() const;
    QComboBox* codecList() const;
    QCheckBox* ditheredBox() const { return dithered_; }
    QCheckBox* seamlessBox() const { return seamless_; }
    QLineEdit* fileEdit() const { return file_; }
    QPushButton* browseButton() const { return browse_; }
    QSlider* timeSlider() const { return slider_; }

  private:
    // duration x frame rate, truncated.
    int frameCount() const;
    void onTimingEdited();

    FieldTable fields_;
    QLineEdit* duration_;
    QLineEdit* frameRate_;
    QLineEdit* zoom_;
    QLineEdit* startWidth_;
    LockButton* startLock_;
    QLineEdit* endWidth_;
    LockButton* endLock_;
    QComboBox* priority_;
    QComboBox* depth_;
    QCheckBox* dithered_;
    MovieFormatPicker* format_;
    QCheckBox* seamless_;
    QLineEdit* file_;
    QPushButton* browse_;
    QSlider* slider_;
};

} // namespace trevalin

// The Coords page: the plane region (left, top, width, height, zoom, whether
// left and top name the centre) and the fractal settings (p0, q0, recursion).
#pragma once

#include "app/pages/field_table.h"
#include "app/pages/settings_page.h"

class QCheckBox;
class QLineEdit;

namespace trevalin {

class CoordsPage : public SettingsPage {
    Q_OBJECT
  public:
    static constexpr int kTextLimit = 256;

    explicit CoordsPage(SettingsPane* tabs, QWidget* parent = nullptr);

    bool saveToSettings(RenderSettings& out) override;
    void loadFromSettings(const RenderSettings& in) override;
    void runFocusSequence() override;
    void markFailures(const std::vector<CompileFailure>& failures) override;

    QCheckBox* centerBox() const { return center_; }
    QLineEdit* leftEdit() const { return left_; }
    QLineEdit* topEdit() const { return top_; }
    QLineEdit* widthEdit() const { return width_; }
    QLineEdit* heightEdit() const { return height_; }
    QLineEdit* zoomEdit() const { return zoom_; }
    QLineEdit* p0Edit() const { return p0_; }
    QLineEdit* Q0Edit() const { return q0_; }
    QLineEdit* recursionEdit() const { return recursion_; }

  private:
    FieldTable fields_;
    QCheckBox* center_;
    QLineEdit* height_;
    QLineEdit* left_;
    QLineEdit* top_;
    QLineEdit* width_;
    QLineEdit* zoom_;
    QLineEdit* p0_;
    QLineEdit* q0_;
    QLineEdit* recursion_;
};

} // namespace trevalin

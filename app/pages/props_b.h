// The Coords page: the plane region (left, top, width, height, zoom, whether
// left and top name the centre) and the fractal settings (p0, q0, recursion).
#pragma once

#include <QString>

#include "app/pages/settings_page.h"

class QCheckBox;
class QLineEdit;

namespace trevalin {

class PropsB : public SettingsPage {
    Q_OBJECT
  public:
    static constexpr int kTextLimit = 256;

    explicit PropsB(CMyTabView* tabs, QWidget* parent = nullptr);

    bool SaveToSettings(RenderSettings& out) override;
    void LoadFromSettings(const RenderSettings& in) override;
    void RunFocusSequence() override;
    void MarkCompileFailures(const std::vector<CompileFailure>& failures) override;

    QCheckBox* CenterBox() const { return center_; }
    QLineEdit* LeftEdit() const { return left_; }
    QLineEdit* TopEdit() const { return top_; }
    QLineEdit* WidthEdit() const { return width_; }
    QLineEdit* HeightEdit() const { return height_; }
    QLineEdit* ZoomEdit() const { return zoom_; }
    QLineEdit* P0Edit() const { return p0_; }
    QLineEdit* Q0Edit() const { return q0_; }
    QLineEdit* RecursionEdit() const { return recursion_; }

  private:
    struct Fields {
        int center = 0;
        QString height = QStringLiteral("256");
        QString left = QStringLiteral("0");
        QString top = QStringLiteral("0");
        QString width = QStringLiteral("256");
        QString zoom = QStringLiteral("1.0");
        QString p0 = QStringLiteral("0");
        QString q0 = QStringLiteral("0");
        QString recursion = QStringLiteral("64");
    };

    bool ReadControls();
    void ShowFields();

    Fields f_;
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

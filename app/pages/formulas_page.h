// The Formulas page: the three colour formulas, the colour model, the range to
// plot with its out-of-range rule, oversampling, colour cycling and the time
// slider.
#pragma once

#include <QString>
#include <array>
#include <optional>

#include "app/pages/field_table.h"
#include "app/pages/settings_page.h"

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSlider;

namespace trevalin {

// The labels of the three formulas under a colour model (0 Grayscale, 1 RGB,
// 2 HSV, 3 Triplet); empty for any other value, which leaves them as they are.
std::optional<std::array<QString, 3>> channelLabels(int colormode);

class FormulasPage : public SettingsPage {
    Q_OBJECT
  public:
    static constexpr int kTextLimit = 1023; // a formula slot's text

    explicit FormulasPage(SettingsPane* tabs, QWidget* parent = nullptr);

    bool saveToSettings(RenderSettings& out) override;
    void loadFromSettings(const RenderSettings& in) override;
    void runFocusSequence() override;
    void markFailures(const std::vector<CompileFailure>& failures) override;

    void updateChannelLabels();

    QLineEdit* redEdit() const { return red_; }
    QLineEdit* greenEdit() const { return green_; }
    QLineEdit* blueEdit() const { return blue_; }
    QLineEdit* minEdit() const { return min_; }
    QLineEdit* maxEdit() const { return max_; }
    QLabel* channelLabel(int i) const { return labels_[i]; }
    QRadioButton* colourModelButton(int i) const { return models_[i]; }
    QRadioButton* rangeRuleButton(int i) const { return rules_[i]; }
    QCheckBox* oversampleBox() const { return oversample_; }
    QCheckBox* cycleBox() const { return cycle_; }
    QSlider* timeSlider() const { return slider_; }

  private:
    void showFields();
    void onColourModelClicked();
    void onSliderMoved();

    FieldTable fields_;
    // The labels of the three formulas under the colour model last shown.
    std::array<QString, 3> channelNames_{QStringLiteral("Red"), QStringLiteral("Green"),
                                         QStringLiteral("Blue")};
    QSlider* slider_;
    QLineEdit* red_;
    QLineEdit* green_;
    QLineEdit* blue_;
    QLineEdit* min_;
    QLineEdit* max_;
    std::array<QLabel*, 3> labels_{};
    std::array<QRadioButton*, 4> models_{};
    std::array<QRadioButton*, 2> rules_{};
    QButtonGroup* modelGroup_;
    QButtonGroup* ruleGroup_;
    QCheckBox* oversample_;
    QCheckBox* cycle_;
};

} // namespace trevalin

#include "app/pages/formulas_page.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include "app/pages/coords_page.h"
#include "app/pages/field_edit.h"
#include "app/pages/formula_editor.h"
#include "app/pages/formula_marks.h"
#include "app/pages/settings_pane.h"
#include "app/pages/time_slider.h"
#include "render/document.h"
#include "render/render_settings.h"

namespace trevalin {

std::optional<std::array<QString, 3>> channelLabels(int colormode) {
    // Grayscale and Triplet read only the first formula: the others have no label.
    switch (colormode) {
    case 0: return std::array<QString, 3>{QStringLiteral("Grey"), QString(), QString()};
    case 1:
        return std::array<QString, 3>{QStringLiteral("Red"), QStringLiteral("Green"),
                                      QStringLiteral("Blue")};
    case 2:
        return std::array<QString, 3>{QStringLiteral("Hue"), QStringLiteral("Saturation"),
                                      QStringLiteral("Value")};
    case 3: return std::array<QString, 3>{QStringLiteral("Colour"), QString(), QString()};
    default: return std::nullopt;
    }
}

FormulasPage::FormulasPage(SettingsPane* tabs, QWidget* parent) : SettingsPage(tabs, parent) {
    auto* layout = new QVBoxLayout(this);

    auto* formulas = new QGridLayout;
    auto addFormula = [&](int row, const QString& label) {
        auto* name = new QLabel(label, this);
        auto* edit = new QLineEdit(this);
        setLengthLimit(edit, kTextLimit);
        name->setBuddy(edit);
        formulas->addWidget(name, row, 0);
        formulas->addWidget(edit, row, 1);
        labels_[row] = name;
        return edit;
    };
    red_ = addFormula(0, f_.redLabel);
    green_ = addFormula(1, f_.greenLabel);
    blue_ = addFormula(2, f_.blueLabel);
    watchFormulaEdit(red_, "red", f_.redLabel);
    watchFormulaEdit(green_, "grn", f_.greenLabel);
    watchFormulaEdit(blue_, "blu", f_.blueLabel);
    formulas->setColumnMinimumWidth(0, 50);
    layout->addLayout(formulas);

    auto* modelBox = new QGroupBox(tr("Color model"), this);
    auto* modelRow = new QHBoxLayout(modelBox);
    modelGroup_ = new QButtonGroup(this);
    const char* modelNames[] = {"Grayscale", "RGB", "HSV", "Triplet"};
    for (int i = 0; i < 4; ++i) {
        models_[i] = new QRadioButton(tr(modelNames[i]), modelBox);
        modelGroup_->addButton(models_[i], i);
        modelRow->addWidget(models_[i]);
    }
    layout->addWidget(modelBox);

    auto* middle = new QHBoxLayout;
    auto* rangeBox = new QGroupBox(tr("Range to plot"), this);
    auto* range = new QGridLayout(rangeBox);
    min_ = new QLineEdit(rangeBox);
    max_ = new QLineEdit(rangeBox);
    for (QLineEdit* edit : {min_, max_})
        setLengthLimit(edit, kTextLimit);
    watchFormulaEdit(min_, "min", tr("min"));
    watchFormulaEdit(max_, "max", tr("max"));
    for (QLineEdit* edit : {red_, green_, blue_, min_, max_})
        attachFormulaEditor(edit);
    range->addWidget(new QLabel(tr("min"), rangeBox), 0, 0);
    range->addWidget(min_, 0, 1);
    range->addWidget(new QLabel(tr("max"), rangeBox), 1, 0);
    range->addWidget(max_, 1, 1);
    middle->addWidget(rangeBox);

    auto* ruleBox = new QGroupBox(tr("Color translation"), this);
    auto* ruleColumn = new QVBoxLayout(ruleBox);
    ruleGroup_ = new QButtonGroup(this);
    rules_[0] = new QRadioButton(tr("Pin to Min/Max"), ruleBox);
    rules_[1] = new QRadioButton(tr("Wrap Around"), ruleBox);
    for (int i = 0; i < 2; ++i) {
        ruleGroup_->addButton(rules_[i], i);
        ruleColumn->addWidget(rules_[i]);
    }
    middle->addWidget(ruleBox);
    layout->addLayout(middle);

    auto* checks = new QHBoxLayout;
    oversample_ = new QCheckBox(tr("Oversample"), this);
    cycle_ = new QCheckBox(tr("Cycle"), this);
    checks->addWidget(oversample_);
    checks->addWidget(cycle_);
    layout->addLayout(checks);

    slider_ = addTimeSlider(this, layout, tabs_);
    layout->addStretch(1);

    setFocusProxy(red_);
    connect(modelGroup_, &QButtonGroup::idClicked, this, &FormulasPage::onColourModelClicked);
    // Loading sets the position with the signals blocked, so only the user's
    // moves (drag, keys, clicks on the groove) run the slider sequence.
    connect(slider_, &QSlider::valueChanged, this, &FormulasPage::onSliderMoved);
    showFields();
}

bool FormulasPage::readControls() {
    if (!checkLengths({blue_, green_, max_, min_, red_}, kTextLimit)) return false;
    f_.blue = blue_->text();
    f_.colormode = readRadio(modelGroup_, f_.colormode);
    f_.cycle = cycle_->isChecked() ? 1 : 0;
    f_.green = green_->text();
    f_.max = max_->text();
    f_.min = min_->text();
    f_.oversample = oversample_->isChecked() ? 1 : 0;
    f_.red = red_->text();
    f_.wrap = readRadio(ruleGroup_, f_.wrap);
    return true;
}

void FormulasPage::showFields() {
    showText(blue_, f_.blue);
    showRadio(modelGroup_, f_.colormode);
    cycle_->setChecked(f_.cycle != 0);
    showText(green_, f_.green);
    showText(max_, f_.max);
    showText(min_, f_.min);
    oversample_->setChecked(f_.oversample != 0);
    showText(red_, f_.red);
    showRadio(ruleGroup_, f_.wrap);
    labels_[0]->setText(f_.redLabel);
    labels_[1]->setText(f_.greenLabel);
    labels_[2]->setText(f_.blueLabel);
    // messages name a field by its label; a field without one is not read.
    const std::array<QLineEdit*, 3> edits{red_, green_, blue_};
    const std::array<QString, 3> names{f_.redLabel, f_.greenLabel, f_.blueLabel};
    for (int i = 0; i < 3; ++i) {
        if (channelLabels(f_.colormode)) edits[i]->setEnabled(!names[i].isEmpty());
        if (!names[i].isEmpty()) setFieldLabel(edits[i], names[i]);
        markFormulaEdit(edits[i]);
    }
}

void FormulasPage::updateChannelLabels() {
    if (const auto names = channelLabels(f_.colormode)) {
        f_.redLabel = (*names)[0];
        f_.greenLabel = (*names)[1];
        f_.blueLabel = (*names)[2];
    }
}

bool FormulasPage::saveToSettings(RenderSettings& out) {
    if (!readControls()) return false;
    setSlotText(out.red, f_.red);
    setSlotText(out.grn, f_.green);
    setSlotText(out.blu, f_.blue);
    setSlotText(out.min, f_.min);
    setSlotText(out.max, f_.max);
    out.colormode = f_.colormode;
    out.wrap = f_.wrap;
    out.oversample = f_.oversample;
    out.cycle = f_.cycle;
    out.time = slider_->value();
    return true;
}

void FormulasPage::loadFromSettings(const RenderSettings& in) {
    f_.red = slotText(in.red);
    f_.green = slotText(in.grn);
    f_.blue = slotText(in.blu);
    f_.min = slotText(in.min);
    f_.max = slotText(in.max);
    f_.colormode = in.colormode;
    f_.wrap = in.wrap;
    f_.oversample = in.oversample;
    f_.cycle = in.cycle;
    {
        const QSignalBlocker block(slider_);
        slider_->setValue(in.time);
    }
    updateChannelLabels();
    showFields();
}

void FormulasPage::onColourModelClicked() {
    readControls();
    updateChannelLabels();
    showFields();
}

void FormulasPage::runFocusSequence() {
    if (!tabs_) return;
    tabs_->runSequence({this, tabs_->movieOptionsPage(), tabs_->coordsPage()}, {this});
}

void FormulasPage::onSliderMoved() {
    if (!tabs_) return;
    tabs_->runSequence({tabs_->movieOptionsPage(), tabs_->coordsPage(), this},
                       {tabs_->movieOptionsPage(), tabs_->coordsPage()});
}

void FormulasPage::markFailures(const std::vector<CompileFailure>& failures) {
    markCompileFailures(
        {{"red", red_}, {"grn", green_}, {"blu", blue_}, {"min", min_}, {"max", max_}}, failures);
}

} // namespace trevalin

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
#include "app/pages/field_table.h"
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
        name->setBuddy(edit);
        formulas->addWidget(name, row, 0);
        formulas->addWidget(edit, row, 1);
        labels_[row] = name;
        return edit;
    };
    red_ = addFormula(0, channelNames_[0]);
    green_ = addFormula(1, channelNames_[1]);
    blue_ = addFormula(2, channelNames_[2]);
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

    // In the order an over-long text is named.
    using RS = RenderSettings;
    fields_.add(&RS::blu, blue_, kTextLimit, channelNames_[2]);
    fields_.add(&RS::grn, green_, kTextLimit, channelNames_[1]);
    fields_.add(&RS::max, max_, kTextLimit, tr("max"));
    fields_.add(&RS::min, min_, kTextLimit, tr("min"));
    fields_.add(&RS::red, red_, kTextLimit, channelNames_[0]);
    fields_.add(&RS::colormode, modelGroup_);
    fields_.add(&RS::wrap, ruleGroup_);
    fields_.add(&RS::oversample, oversample_);
    fields_.add(&RS::cycle, cycle_);
    fields_.add(&RS::time, slider_);
    for (QLineEdit* edit : {red_, green_, blue_, min_, max_})
        attachFormulaEditor(edit);

    const std::pair<QLineEdit*, const char*> initial[] = {
        {red_, "x"}, {green_, "y"}, {blue_, "x+y"}, {min_, "0"}, {max_, "255"}};
    for (const auto& [edit, text] : initial)
        fields_.setText(edit, QString::fromLatin1(text));
    fields_.setNumber(modelGroup_, 1); // RGB

    setFocusProxy(red_);
    connect(modelGroup_, &QButtonGroup::idClicked, this, &FormulasPage::onColourModelClicked);
    // Loading sets the position with the signals blocked, so only the user's
    // moves (drag, keys, clicks on the groove) run the slider sequence.
    connect(slider_, &QSlider::valueChanged, this, &FormulasPage::onSliderMoved);
    showFields();
}

void FormulasPage::showFields() {
    fields_.show();
    const std::array<QLineEdit*, 3> edits{red_, green_, blue_};
    for (int i = 0; i < 3; ++i) {
        labels_[i]->setText(channelNames_[i]);
        // messages name a field by its label; a field without one is not read.
        if (channelLabels(fields_.number(modelGroup_)))
            edits[i]->setEnabled(!channelNames_[i].isEmpty());
        if (!channelNames_[i].isEmpty()) setFieldLabel(edits[i], channelNames_[i]);
        markFormulaEdit(edits[i]);
    }
}

void FormulasPage::updateChannelLabels() {
    if (const auto names = channelLabels(fields_.number(modelGroup_))) channelNames_ = *names;
}

bool FormulasPage::saveToSettings(RenderSettings& out) {
    return fields_.store(out);
}

void FormulasPage::loadFromSettings(const RenderSettings& in) {
    fields_.hold(in);
    updateChannelLabels();
    showFields();
}

void FormulasPage::onColourModelClicked() {
    fields_.read();
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

void FormulasPage::markFailures(const std::vector<CompileFailure>&) {
    fields_.markFormulas();
}

} // namespace trevalin

#include "app/pages/coords_page.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QVBoxLayout>

#include "app/pages/field_edit.h"
#include "app/pages/formula_editor.h"
#include "app/pages/formulas_page.h"
#include "app/pages/settings_pane.h"
#include "render/document.h"
#include "render/render_settings.h"

namespace trevalin {

CoordsPage::CoordsPage(SettingsPane* tabs, QWidget* parent) : SettingsPage(tabs, parent) {
    auto* layout = new QVBoxLayout(this);
    auto* region = new QFormLayout;
    left_ = new QLineEdit(this);
    top_ = new QLineEdit(this);
    width_ = new QLineEdit(this);
    height_ = new QLineEdit(this);
    center_ = new QCheckBox(tr("Center"), this);
    zoom_ = new QLineEdit(this);
    region->addRow(tr("left"), left_);
    region->addRow(tr("top"), top_);
    region->addRow(tr("width"), width_);
    region->addRow(tr("height"), height_);
    region->addRow(QString(), center_);
    region->addRow(tr("zoom"), zoom_);
    layout->addLayout(region);

    auto* fractal = new QGroupBox(tr("Fractal Settings"), this);
    auto* fractalForm = new QFormLayout(fractal);
    p0_ = new QLineEdit(fractal);
    q0_ = new QLineEdit(fractal);
    recursion_ = new QLineEdit(fractal);
    fractalForm->addRow(tr("p0"), p0_);
    fractalForm->addRow(tr("q0"), q0_);
    fractalForm->addRow(tr("recursion"), recursion_);
    layout->addWidget(fractal);
    layout->addStretch(1);

    // In the order an over-long text is named.
    using RS = RenderSettings;
    const struct {
        FormulaSlot RS::*field;
        QLineEdit* edit;
        const char* label;
    } formulas[] = {
        {&RS::height, height_, QT_TR_NOOP("height")},
        {&RS::left, left_, QT_TR_NOOP("left")},
        {&RS::top, top_, QT_TR_NOOP("top")},
        {&RS::width, width_, QT_TR_NOOP("width")},
        {&RS::zoom, zoom_, QT_TR_NOOP("zoom")},
        {&RS::p0, p0_, QT_TR_NOOP("p0")},
        {&RS::q0, q0_, QT_TR_NOOP("q0")},
        {&RS::recurse, recursion_, QT_TR_NOOP("recursion")},
    };
    for (const auto& row : formulas) {
        fields_.add(row.field, row.edit, kTextLimit, tr(row.label));
        attachFormulaEditor(row.edit);
    }
    fields_.add(&RS::center, center_);

    const std::pair<QLineEdit*, const char*> initial[] = {
        {height_, "256"}, {left_, "0"}, {top_, "0"}, {width_, "256"},
        {zoom_, "1.0"},   {p0_, "0"},   {q0_, "0"},  {recursion_, "64"},
    };
    for (const auto& [edit, text] : initial)
        fields_.setText(edit, QString::fromLatin1(text));

    setFocusProxy(left_);
    fields_.show();
}

bool CoordsPage::saveToSettings(RenderSettings& out) {
    return fields_.store(out);
}

void CoordsPage::loadFromSettings(const RenderSettings& in) {
    fields_.load(in);
}

void CoordsPage::runFocusSequence() {
    if (!tabs_) return;
    tabs_->runSequence({this, tabs_->movieOptionsPage(), tabs_->formulasPage()}, {this});
}

void CoordsPage::markFailures(const std::vector<CompileFailure>&) {
    // The document compiled what the fields hold, so checking their texts again
    // gives the same errors, and the warnings and places besides.
    fields_.markFormulas();
}

} // namespace trevalin

#include "app/pages/coords_page.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QVBoxLayout>

#include "app/pages/field_edit.h"
#include "app/pages/formula_editor.h"
#include "app/pages/formula_marks.h"
#include "app/pages/formulas_page.h"
#include "app/pages/settings_pane.h"
#include "render/document.h"
#include "render/render_settings.h"

namespace trevalin {

CoordsPage::CoordsPage(SettingsPane* tabs, QWidget* parent) : SettingsPage(tabs, parent) {
    auto* layout = new QVBoxLayout(this);
    auto makeEdit = [this](QWidget* owner) {
        auto* edit = new QLineEdit(owner);
        setLengthLimit(edit, kTextLimit);
        return edit;
    };

    auto* region = new QFormLayout;
    left_ = makeEdit(this);
    top_ = makeEdit(this);
    width_ = makeEdit(this);
    height_ = makeEdit(this);
    center_ = new QCheckBox(tr("Center"), this);
    zoom_ = makeEdit(this);
    region->addRow(tr("left"), left_);
    region->addRow(tr("top"), top_);
    region->addRow(tr("width"), width_);
    region->addRow(tr("height"), height_);
    region->addRow(QString(), center_);
    region->addRow(tr("zoom"), zoom_);
    layout->addLayout(region);

    auto* fractal = new QGroupBox(tr("Fractal Settings"), this);
    auto* fractalForm = new QFormLayout(fractal);
    p0_ = makeEdit(fractal);
    q0_ = makeEdit(fractal);
    recursion_ = makeEdit(fractal);
    fractalForm->addRow(tr("p0"), p0_);
    fractalForm->addRow(tr("q0"), q0_);
    fractalForm->addRow(tr("recursion"), recursion_);
    layout->addWidget(fractal);
    layout->addStretch(1);

    const std::pair<const char*, QLineEdit*> formulas[] = {
        {"left", left_}, {"top", top_}, {"width", width_}, {"height", height_},
        {"zoom", zoom_}, {"p0", p0_},   {"q0", q0_},       {"recurse", recursion_}};
    for (const auto& [key, edit] : formulas) {
        const char* label = key == std::string_view("recurse") ? "recursion" : key;
        watchFormulaEdit(edit, key, tr(label));
        attachFormulaEditor(edit);
    }

    setFocusProxy(left_);
    showFields();
}

bool CoordsPage::readControls() {
    if (!checkLengths({height_, left_, top_, width_, zoom_, p0_, q0_, recursion_}, kTextLimit))
        return false;
    f_.center = center_->isChecked() ? 1 : 0;
    f_.height = height_->text();
    f_.left = left_->text();
    f_.top = top_->text();
    f_.width = width_->text();
    f_.zoom = zoom_->text();
    f_.p0 = p0_->text();
    f_.q0 = q0_->text();
    f_.recursion = recursion_->text();
    return true;
}

void CoordsPage::showFields() {
    center_->setChecked(f_.center != 0);
    showText(height_, f_.height);
    showText(left_, f_.left);
    showText(top_, f_.top);
    showText(width_, f_.width);
    showText(zoom_, f_.zoom);
    showText(p0_, f_.p0);
    showText(q0_, f_.q0);
    showText(recursion_, f_.recursion);
}

bool CoordsPage::saveToSettings(RenderSettings& out) {
    if (!readControls()) return false;
    out.center = f_.center;
    setSlotText(out.left, f_.left);
    setSlotText(out.top, f_.top);
    setSlotText(out.width, f_.width);
    setSlotText(out.height, f_.height);
    setSlotText(out.zoom, f_.zoom);
    setSlotText(out.p0, f_.p0);
    setSlotText(out.q0, f_.q0);
    setSlotText(out.recurse, f_.recursion);
    return true;
}

void CoordsPage::loadFromSettings(const RenderSettings& in) {
    f_.center = in.center;
    f_.left = slotText(in.left);
    f_.top = slotText(in.top);
    f_.width = slotText(in.width);
    f_.height = slotText(in.height);
    f_.zoom = slotText(in.zoom);
    f_.p0 = slotText(in.p0);
    f_.q0 = slotText(in.q0);
    f_.recursion = slotText(in.recurse);
    showFields();
}

void CoordsPage::runFocusSequence() {
    if (!tabs_) return;
    tabs_->runSequence({this, tabs_->movieOptionsPage(), tabs_->formulasPage()}, {this});
}

void CoordsPage::markFailures(const std::vector<CompileFailure>& failures) {
    markCompileFailures({{"left", left_},
                         {"top", top_},
                         {"width", width_},
                         {"height", height_},
                         {"zoom", zoom_},
                         {"p0", p0_},
                         {"q0", q0_},
                         {"recurse", recursion_}},
                        failures);
}

} // namespace trevalin

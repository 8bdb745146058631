#include "app/pages/props_c.h"

#include <QLabel>
#include <QVBoxLayout>

#include "render/render_settings.h"

namespace trevalin {

PropsC::PropsC(CMyTabView*, QWidget* parent)
    : QWidget(parent), settings_(std::make_unique<RenderSettings>()) {
    auto* layout = new QVBoxLayout(this);
    auto* note = new QLabel(tr("The presets tree will be shown here."), this);
    note->setWordWrap(true);
    layout->addWidget(note);
    layout->addStretch(1);
}

PropsC::~PropsC() = default;

void PropsC::GetSettings(RenderSettings& out) const {
    out = *settings_;
}
void PropsC::SetSettings(const RenderSettings& in) {
    *settings_ = in;
}

} // namespace trevalin

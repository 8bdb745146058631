#include "app/pages/props_d.h"

#include <QLabel>
#include <QVBoxLayout>

#include "app/pages/props_a.h"
#include "app/pages/props_b.h"
#include "app/pages/tab_view.h"

namespace trevalin {

PropsD::PropsD(CMyTabView* tabs, QWidget* parent) : SettingsPage(tabs, parent) {
    auto* layout = new QVBoxLayout(this);
    auto* note = new QLabel(tr("The movie options will be shown here."), this);
    note->setWordWrap(true);
    layout->addWidget(note);
    layout->addStretch(1);
}

void PropsD::RunFocusSequence() {
    if (!tabs_) return;
    tabs_->RunSequence({this, tabs_->FormulasPage(), tabs_->CoordsPage()}, {this});
}

} // namespace trevalin

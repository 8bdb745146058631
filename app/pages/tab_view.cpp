#include "app/pages/tab_view.h"

#include <QApplication>
#include <QScrollArea>
#include <algorithm>
#include <memory>
#include <vector>

#include "app/frame_operations.h"
#include "app/pages/props_a.h"
#include "app/pages/props_b.h"
#include "app/pages/props_d.h"
#include "app/user_messages.h"
#include "presets/page/props_c.h"
#include "render/render_settings.h"

namespace trevalin {

CMyTabView::CMyTabView(QWidget* parent, PageFactory movieOptions) : QTabWidget(parent) {
    presets_ = new PropsC(this);
    presets_->SetWarningHandler([this](const QString& text) { showWarning(this, text); });
    coords_ = new PropsB(this);
    formulas_ = new PropsA(this);
    movieOptions_ = movieOptions ? movieOptions(this) : new PropsD(this);

    AddPage(presets_, tr("Presets"));
    AddPage(coords_, tr("Coords"));
    AddPage(formulas_, tr("Formulas"));
    AddPage(movieOptions_, tr("Movie Options"));
    setCurrentIndex(kPresetsTab);
    built_ = true;

    connect(this, &QTabWidget::currentChanged, this, &CMyTabView::OnCurrentChanged);
    connect(qApp, &QApplication::focusChanged, this, &CMyTabView::OnFocusChanged);
}

void CMyTabView::AddPage(QWidget* page, const QString& label) {
    // A narrow pane scrolls its page rather than squeezing the controls.
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(page);
    addTab(scroll, label);
}

void CMyTabView::SetFrame(FrameOperations* frame) {
    frame_ = frame;
    presets_->SetHost(frame);
}

SettingsPage* CMyTabView::SettingsPageAt(int index) const {
    switch (index) {
    case kCoordsTab: return coords_;
    case kFormulasTab: return formulas_;
    case kMovieOptionsTab: return movieOptions_;
    default: return nullptr;
    }
}

void CMyTabView::RunSequence(std::initializer_list<SettingsPage*> writers,
                             std::initializer_list<SettingsPage*> readers) {
    // A refused value puts up a message box, which takes the focus, which would
    // start the sequence again.
    if (inSequence_) return;
    inSequence_ = true;
    auto scratch = std::make_unique<RenderSettings>();
    if (frame_) frame_->GetDocumentSettings(*scratch);
    std::vector<SettingsPage*> refused;
    for (SettingsPage* page : writers) {
        if (page && !page->SaveToSettings(*scratch)) refused.push_back(page);
    }
    for (SettingsPage* page : readers) {
        if (!page || std::find(refused.begin(), refused.end(), page) != refused.end()) continue;
        page->LoadFromSettings(*scratch);
    }
    inSequence_ = false;
}

void CMyTabView::OnCurrentChanged(int index) {
    if (!built_) return;
    SettingsPage* page = SettingsPageAt(index);
    if (!page) return;
    page->RunFocusSequence();
    page->setFocus(Qt::TabFocusReason);
}

void CMyTabView::OnFocusChanged(QWidget* old, QWidget* now) {
    // Deactivating the window (now null) is not the focus leaving the page.
    if (!built_ || !old || !now) return;
    // Focus moving to another window (a message box, a dialog) is not leaving the page.
    if (now->window() != window()) return;
    const std::initializer_list<SettingsPage*> pages = {formulas_, coords_, movieOptions_};
    for (SettingsPage* page : pages) {
        if (page && page->isAncestorOf(old) && !page->isAncestorOf(now)) {
            page->RunFocusSequence();
            return;
        }
    }
}

} // namespace trevalin

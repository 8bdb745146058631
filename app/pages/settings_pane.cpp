#include "app/pages/settings_pane.h"

#include <QApplication>
#include <QScrollArea>
#include <algorithm>
#include <memory>
#include <vector>

#include "app/frame_operations.h"
#include "app/pages/coords_page.h"
#include "app/pages/formulas_page.h"
#include "app/pages/movie_options_page.h"
#include "app/pages/presets_page.h"
#include "app/user_messages.h"
#include "render/render_settings.h"

namespace trevalin {

SettingsPane::SettingsPane(QWidget* parent, PageFactory movieOptions) : QTabWidget(parent) {
    presets_ = new PresetsPage(this);
    presets_->setWarningHandler([this](const QString& text) { showWarning(this, text); });
    coords_ = new CoordsPage(this);
    formulas_ = new FormulasPage(this);
    movieOptions_ = movieOptions ? movieOptions(this) : new MovieOptionsPage(this);

    addPage(presets_, tr("Presets"));
    addPage(coords_, tr("Coords"));
    addPage(formulas_, tr("Formulas"));
    addPage(movieOptions_, tr("Movie Options"));
    setCurrentIndex(kPresetsTab);
    built_ = true;

    connect(this, &QTabWidget::currentChanged, this, &SettingsPane::onCurrentChanged);
    connect(qApp, &QApplication::focusChanged, this, &SettingsPane::onFocusChanged);
}

void SettingsPane::addPage(QWidget* page, const QString& label) {
    // A narrow pane scrolls its page rather than squeezing the controls.
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(page);
    addTab(scroll, label);
}

void SettingsPane::setFrame(FrameOperations* frame) {
    frame_ = frame;
    presets_->setHost(frame);
}

SettingsPage* SettingsPane::settingsPageAt(int index) const {
    switch (index) {
    case kCoordsTab: return coords_;
    case kFormulasTab: return formulas_;
    case kMovieOptionsTab: return movieOptions_;
    default: return nullptr;
    }
}

void SettingsPane::runSequence(std::initializer_list<SettingsPage*> writers,
                               std::initializer_list<SettingsPage*> readers) {
    // A refused value puts up a message box, which takes the focus, which would
    // start the sequence again.
    if (inSequence_) return;
    inSequence_ = true;
    auto scratch = std::make_unique<RenderSettings>();
    if (frame_) frame_->getDocumentSettings(*scratch);
    std::vector<SettingsPage*> refused;
    for (SettingsPage* page : writers) {
        if (page && !page->saveToSettings(*scratch)) refused.push_back(page);
    }
    for (SettingsPage* page : readers) {
        if (!page || std::find(refused.begin(), refused.end(), page) != refused.end()) continue;
        page->loadFromSettings(*scratch);
    }
    inSequence_ = false;
}

void SettingsPane::onCurrentChanged(int index) {
    if (!built_) return;
    SettingsPage* page = settingsPageAt(index);
    if (!page) return;
    page->runFocusSequence();
    page->setFocus(Qt::TabFocusReason);
}

void SettingsPane::onFocusChanged(QWidget* old, QWidget* now) {
    // Deactivating the window (now null) is not the focus leaving the page.
    if (!built_ || !old || !now) return;
    // Focus moving to another window (a message box, a dialog) is not leaving the page.
    if (now->window() != window()) return;
    const std::initializer_list<SettingsPage*> pages = {formulas_, coords_, movieOptions_};
    for (SettingsPage* page : pages) {
        if (page && page->isAncestorOf(old) && !page->isAncestorOf(now)) {
            page->runFocusSequence();
            return;
        }
    }
}

} // namespace trevalin

// The settings pane: four tabbed pages in a fixed order, and the sequences
// through which the pages read each other's values.
#pragma once

#include <QTabWidget>
#include <functional>
#include <initializer_list>

namespace trevalin {

class FrameOperations;
class FormulasPage;
class CoordsPage;
class PresetsPage;
class SettingsPage;

class SettingsPane : public QTabWidget {
    Q_OBJECT
  public:
    enum Tab { kPresetsTab = 0, kCoordsTab = 1, kFormulasTab = 2, kMovieOptionsTab = 3 };

    // Makes the Movie Options page; the default makes MovieOptionsPage.
    using PageFactory = std::function<SettingsPage*(SettingsPane*)>;

    explicit SettingsPane(QWidget* parent = nullptr, PageFactory movieOptions = {});

    FormulasPage* formulasPage() const { return formulas_; }
    CoordsPage* coordsPage() const { return coords_; }
    PresetsPage* presetsPage() const { return presets_; }
    SettingsPage* movieOptionsPage() const { return movieOptions_; }

    // Also the Presets page's host.
    void setFrame(FrameOperations* frame);
    FrameOperations* frame() const { return frame_; }

    // Fills one scratch record (starting as the document's) from the writers in
    // order, then loads it into each reader. A reader whose own save was just
    // refused is not loaded: that would replace what the user typed with the
    // document's values. Sequences do not nest.
    void runSequence(std::initializer_list<SettingsPage*> writers,
                     std::initializer_list<SettingsPage*> readers);

    SettingsPage* settingsPageAt(int index) const;

  private:
    void onCurrentChanged(int index);
    void onFocusChanged(QWidget* old, QWidget* now);
    void addPage(QWidget* page, const QString& label);

    FrameOperations* frame_ = nullptr;
    FormulasPage* formulas_ = nullptr;
    CoordsPage* coords_ = nullptr;
    PresetsPage* presets_ = nullptr;
    SettingsPage* movieOptions_ = nullptr;
    bool built_ = false;
    bool inSequence_ = false;
};

} // namespace trevalin

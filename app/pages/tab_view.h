// The settings pane: four tabbed pages in a fixed order, and the sequences
// through which the pages read each other's values.
#pragma once

#include <QTabWidget>
#include <functional>
#include <initializer_list>

namespace trevalin {

class FrameOperations;
class PropsA;
class PropsB;
class PropsC;
class SettingsPage;

class CMyTabView : public QTabWidget {
    Q_OBJECT
  public:
    enum Tab { kPresetsTab = 0, kCoordsTab = 1, kFormulasTab = 2, kMovieOptionsTab = 3 };

    // Makes the Movie Options page; the default makes PropsD.
    using PageFactory = std::function<SettingsPage*(CMyTabView*)>;

    explicit CMyTabView(QWidget* parent = nullptr, PageFactory movieOptions = {});

    PropsA* FormulasPage() const { return formulas_; }
    PropsB* CoordsPage() const { return coords_; }
    PropsC* PresetsPage() const { return presets_; }
    SettingsPage* MovieOptionsPage() const { return movieOptions_; }

    // Also the Presets page's host.
    void SetFrame(FrameOperations* frame);
    FrameOperations* Frame() const { return frame_; }

    // Fills one scratch record (starting as the document's) from the writers in
    // order, then loads it into each reader. A reader whose own save was just
    // refused is not loaded: that would replace what the user typed with the
    // document's values. Sequences do not nest.
    void RunSequence(std::initializer_list<SettingsPage*> writers,
                     std::initializer_list<SettingsPage*> readers);

    SettingsPage* SettingsPageAt(int index) const;

  private:
    void OnCurrentChanged(int index);
    void OnFocusChanged(QWidget* old, QWidget* now);
    void AddPage(QWidget* page, const QString& label);

    FrameOperations* frame_ = nullptr;
    PropsA* formulas_ = nullptr;
    PropsB* coords_ = nullptr;
    PropsC* presets_ = nullptr;
    SettingsPage* movieOptions_ = nullptr;
    bool built_ = false;
    bool inSequence_ = false;
};

} // namespace trevalin

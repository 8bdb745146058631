// The Movie Options tab. Its fields are not built yet: the page shows a note,
// writes nothing and loads nothing, but already takes its place in every
// sequence that reads or fills the pages.
#pragma once

#include "app/pages/settings_page.h"

namespace trevalin {

class PropsD : public SettingsPage {
    Q_OBJECT
  public:
    explicit PropsD(CMyTabView* tabs, QWidget* parent = nullptr);

    bool SaveToSettings(RenderSettings&) override { return true; }
    void LoadFromSettings(const RenderSettings&) override {}
    void RunFocusSequence() override;
};

} // namespace trevalin

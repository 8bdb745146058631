// The Presets tab. The presets tree is not built yet: the page shows a note and
// holds the record the main frame's ApplySettingsAndRender loads.
#pragma once

#include <QWidget>
#include <memory>

namespace trevalin {

class CMyTabView;
struct RenderSettings;

class PropsC : public QWidget {
    Q_OBJECT
  public:
    explicit PropsC(CMyTabView* tabs, QWidget* parent = nullptr);
    ~PropsC() override;

    void GetSettings(RenderSettings& out) const;
    void SetSettings(const RenderSettings& in);

  private:
    std::unique_ptr<RenderSettings> settings_;
};

} // namespace trevalin

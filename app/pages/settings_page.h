// A page of the settings pane that edits part of a RenderSettings record. Pages
// only move values between their controls and a record; the main frame and the
// tab view decide when.
#pragma once

#include <QWidget>
#include <vector>

namespace trevalin {

class CMyTabView;
struct CompileFailure;
struct RenderSettings;

class SettingsPage : public QWidget {
    Q_OBJECT
  public:
    explicit SettingsPage(CMyTabView* tabs, QWidget* parent = nullptr)
        : QWidget(parent), tabs_(tabs) {}

    // Reads every control; on success writes the page's fields into out and
    // returns true. A refused value leaves out untouched.
    virtual bool SaveToSettings(RenderSettings& out) = 0;
    // Shows the page's fields of in.
    virtual void LoadFromSettings(const RenderSettings& in) = 0;
    // Runs when the page becomes the current tab and when the focus leaves it.
    virtual void RunFocusSequence() {}
    // Marks the page's formula fields that failed to compile; clears the others.
    virtual void MarkCompileFailures(const std::vector<CompileFailure>&) {}

  protected:
    CMyTabView* tabs_;
};

} // namespace trevalin

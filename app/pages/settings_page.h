// A page of the settings pane that edits part of a RenderSettings record. Pages
// only move values between their controls and a record; the main frame and the
// tab view decide when.
#pragma once

#include <QWidget>
#include <vector>

namespace trevalin {

class SettingsPane;
struct CompileFailure;
struct RenderSettings;

class SettingsPage : public QWidget {
    Q_OBJECT
  public:
    explicit SettingsPage(SettingsPane* tabs, QWidget* parent = nullptr)
        : QWidget(parent), tabs_(tabs) {}

    // Reads every control; on success writes the page's fields into out and
    // returns true. A refused value leaves out untouched.
    virtual bool saveToSettings(RenderSettings& out) = 0;
    // Shows the page's fields of in.
    virtual void loadFromSettings(const RenderSettings& in) = 0;
    // Runs when the page becomes the current tab and when the focus leaves it.
    virtual void runFocusSequence() {}
    // Marks the page's formula fields that failed to compile; clears the others.
    virtual void markFailures(const std::vector<CompileFailure>&) {}

  protected:
    SettingsPane* tabs_;
};

} // namespace trevalin

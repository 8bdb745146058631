// Every message box and question the program puts up goes through here, so the
// tests can answer them without a modal loop (and without a display).
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace trevalin {

enum class SaveAnswer { Save, Discard, Cancel };

// A warning with an OK button.
void showWarning(QWidget* parent, const QString& text);
// "Save changes to <name>?" with Yes, No and Cancel.
SaveAnswer askSaveChanges(QWidget* parent, const QString& documentName);

// Test hooks: while set, they replace the dialogs. Pass nullptr to restore.
void setWarningHook(std::function<void(const QString&)> hook);
void setSaveQuestionHook(std::function<SaveAnswer(const QString&)> hook);

} // namespace trevalin

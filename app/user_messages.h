// Every message box and question the program puts up, and the movie file's save
// dialogs, go through here, so the tests can answer them without a modal loop
// (and without a display).
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace trevalin {

enum class SaveAnswer { Save, Discard, Cancel };

// A save-file dialog, or with folder set, a dialog that picks a folder to
// write into. Qt's dialogs never change the working directory, where
// presets.txt may live.
struct SaveFileRequest {
    QString title;
    QString initial; // file name or path shown first
    QString filter;  // Qt filter list, e.g. "Movies (*.mov);;All Files (*)"
    QString suffix;  // added to a name typed without one
    bool confirmOverwrite = true;
    bool folder = false; // shows folders only; filter and suffix are not used
};

// A warning with an OK button.
void showWarning(QWidget* parent, const QString& text);
// "Save changes to <name>?" with Yes, No and Cancel.
SaveAnswer askSaveChanges(QWidget* parent, const QString& documentName);

// "This picture carries the settings it was made with ..." with Yes and No:
// true to load them.
bool askLoadPictureSettings(QWidget* parent, const QString& presetName);

// "<folder> already holds the frames of a movie (<frame>). Write the new
// frames over them?" with Yes and No: true to write.
bool askOverwriteFrames(QWidget* parent, const QString& folder, const QString& frame);

// The chosen path, or empty when cancelled.
QString chooseSaveFile(QWidget* parent, const SaveFileRequest& request);

// Test hooks: while set, they replace the dialogs. Pass nullptr to restore.
void setWarningHook(std::function<void(const QString&)> hook);
void setSaveQuestionHook(std::function<SaveAnswer(const QString&)> hook);
void setSaveFileHook(std::function<QString(const SaveFileRequest&)> hook);
void setPictureSettingsQuestionHook(std::function<bool(const QString&)> hook);
// Called with the folder.
void setOverwriteFramesQuestionHook(std::function<bool(const QString&)> hook);

} // namespace trevalin

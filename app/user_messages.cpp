#include "app/user_messages.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace trevalin {
namespace {
std::function<void(const QString&)>& warningHook() {
    static std::function<void(const QString&)> hook;
    return hook;
}
std::function<SaveAnswer(const QString&)>& saveHook() {
    static std::function<SaveAnswer(const QString&)> hook;
    return hook;
}
std::function<QString(const SaveFileRequest&)>& saveFileHook() {
    static std::function<QString(const SaveFileRequest&)> hook;
    return hook;
}
std::function<bool(const QString&)>& pictureSettingsHook() {
    static std::function<bool(const QString&)> hook;
    return hook;
}
std::function<bool(const QString&)>& overwriteFramesHook() {
    static std::function<bool(const QString&)> hook;
    return hook;
}
} // namespace

void showWarning(QWidget* parent, const QString& text) {
    if (warningHook()) {
        warningHook()(text);
        return;
    }
    QMessageBox::warning(parent, QApplication::applicationDisplayName(), text);
}

SaveAnswer askSaveChanges(QWidget* parent, const QString& documentName) {
    if (saveHook()) return saveHook()(documentName);
    const auto button = QMessageBox::question(
        parent, QApplication::applicationDisplayName(),
        QStringLiteral("Save changes to %1?").arg(documentName),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
    switch (button) {
    case QMessageBox::Yes: return SaveAnswer::Save;
    case QMessageBox::No: return SaveAnswer::Discard;
    default: return SaveAnswer::Cancel;
    }
}

bool askLoadPictureSettings(QWidget* parent, const QString& presetName) {
    if (pictureSettingsHook()) return pictureSettingsHook()(presetName);
    return QMessageBox::question(parent, QApplication::applicationDisplayName(),
                                 QStringLiteral("This picture carries the settings it was made "
                                                "with (preset \"%1\"). Load them?")
                                     .arg(presetName),
                                 QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::Yes) == QMessageBox::Yes;
}

bool askOverwriteFrames(QWidget* parent, const QString& folder, const QString& frame) {
    if (overwriteFramesHook()) return overwriteFramesHook()(folder);
    return QMessageBox::question(parent, QApplication::applicationDisplayName(),
                                 QStringLiteral("%1 already holds the frames of a movie (%2). "
                                                "Write the new frames over them?")
                                     .arg(folder, frame),
                                 QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

QString chooseSaveFile(QWidget* parent, const SaveFileRequest& request) {
    if (saveFileHook()) return saveFileHook()(request);
    QFileDialog dialog(parent, request.title, request.initial,
                       request.folder ? QString() : request.filter);
    if (request.folder) {
        // The folder is chosen to be written into, so existing ones are what
        // the dialog offers; the caller asks before frames are replaced.
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly, true);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(request.suffix);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
    return dialog.selectedFiles().first();
}

void setWarningHook(std::function<void(const QString&)> hook) {
    warningHook() = std::move(hook);
}
void setSaveQuestionHook(std::function<SaveAnswer(const QString&)> hook) {
    saveHook() = std::move(hook);
}

void setSaveFileHook(std::function<QString(const SaveFileRequest&)> hook) {
    saveFileHook() = std::move(hook);
}

void setPictureSettingsQuestionHook(std::function<bool(const QString&)> hook) {
    pictureSettingsHook() = std::move(hook);
}

void setOverwriteFramesQuestionHook(std::function<bool(const QString&)> hook) {
    overwriteFramesHook() = std::move(hook);
}

} // namespace trevalin

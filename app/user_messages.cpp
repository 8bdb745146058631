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

QString chooseSaveFile(QWidget* parent, const SaveFileRequest& request) {
    if (saveFileHook()) return saveFileHook()(request);
    QFileDialog dialog(parent, request.title, request.initial, request.filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(request.suffix);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
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

} // namespace trevalin

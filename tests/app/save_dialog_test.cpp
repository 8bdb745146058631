// The save dialog itself, without the test hook: a movie file is named with
// the codec's suffix, a frames folder is picked among folders only, and
// cancelling gives nothing.
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/user_messages.h"
#include "app_test_support.h"

using namespace trevalin;

namespace {

struct SeenDialog {
    bool found = false;
    QFileDialog::FileMode mode = QFileDialog::AnyFile;
    QFileDialog::AcceptMode accept = QFileDialog::AcceptOpen;
    bool dirsOnly = false;
    QString suffix;
    QString title;
};

// Answers the next file dialog once it shows: notes how it was set up, then
// picks answer (or cancels when answer is empty).
void answerDialog(SeenDialog& seen, const QString& answer) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, &seen, answer] {
        QFileDialog* dialog = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<QFileDialog*>(w); d && d->isVisible()) dialog = d;
        if (!dialog) return;
        poll->stop();
        poll->deleteLater();
        seen.found = true;
        seen.mode = dialog->fileMode();
        seen.accept = dialog->acceptMode();
        seen.dirsOnly = dialog->testOption(QFileDialog::ShowDirsOnly);
        seen.suffix = dialog->defaultSuffix();
        seen.title = dialog->windowTitle();
        if (answer.isEmpty()) {
            dialog->reject();
            return;
        }
        dialog->selectFile(answer);
        static_cast<QDialog*>(dialog)->accept(); // the button, as the user presses it
    });
    poll->start(5);
}

} // namespace

class SaveDialogTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { testing::isolateSettings(); }
    void cleanup() { testing::clearMessageHooks(); }

    void dialogAsksForTheRightKind_data();
    void dialogAsksForTheRightKind();
};

void SaveDialogTest::dialogAsksForTheRightKind_data() {
    QTest::addColumn<bool>("folder");
    QTest::addColumn<QString>("typed");  // in the temporary folder; empty: cancel
    QTest::addColumn<QString>("chosen"); // in the temporary folder; empty: nothing
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("dirsOnly");
    QTest::addColumn<bool>("saving");
    QTest::newRow("movie file, suffix added")
        << false << "spin"
        << "spin.mov" << int(QFileDialog::AnyFile) << false << true;
    QTest::newRow("movie file, cancelled") << false << ""
                                           << "" << int(QFileDialog::AnyFile) << false << true;
    QTest::newRow("frames folder") << true << "frames"
                                   << "frames" << int(QFileDialog::Directory) << true << false;
    QTest::newRow("frames folder, cancelled") << true << ""
                                              << "" << int(QFileDialog::Directory) << true << false;
}

void SaveDialogTest::dialogAsksForTheRightKind() {
    QFETCH(bool, folder);
    QFETCH(QString, typed);
    QFETCH(QString, chosen);
    QFETCH(int, mode);
    QFETCH(bool, dirsOnly);
    QFETCH(bool, saving);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("frames"));

    SaveFileRequest request;
    request.title = "Render Movie";
    request.initial = dir.filePath("Untitled");
    request.filter = "QuickTime Movies (*.mov);;All Files (*)";
    request.suffix = folder ? QString() : QString("mov");
    request.confirmOverwrite = !folder;
    request.folder = folder;
    SeenDialog seen;
    answerDialog(seen, typed.isEmpty() ? QString() : dir.filePath(typed));
    const QString answer = chooseSaveFile(nullptr, request);

    QVERIFY(seen.found);
    QCOMPARE(seen.title, QString("Render Movie"));
    QCOMPARE(int(seen.mode), mode);
    QCOMPARE(seen.dirsOnly, dirsOnly);
    QCOMPARE(seen.accept == QFileDialog::AcceptSave, saving);
    QCOMPARE(seen.suffix, request.suffix);
    QCOMPARE(answer, chosen.isEmpty() ? QString() : dir.filePath(chosen));
}

QTEST_MAIN(SaveDialogTest)
#include "save_dialog_test.moc"

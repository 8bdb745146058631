// The image Size dialog refuses what the image cannot be and accepts its limits.
#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include "app/dialogs.h"
#include "app/user_messages.h"
#include "app_test_support.h"

using namespace trevalin;

class DialogsTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { testing::isolateSettings(); }
    void init() { testing::collectWarnings(warnings); }
    void cleanup() { testing::clearMessageHooks(); }

    void fieldCheck_data();
    void fieldCheck();
    void badWidthKeepsDialogOpen_data();
    void badWidthKeepsDialogOpen();
    void heightCheckedAfterWidth();
    void limitsAccepted();
    void typingTakesDigitsOnly();
    void sizeNeedingTooMuchMemoryRefused_data();
    void sizeNeedingTooMuchMemoryRefused();

  private:
    QStringList warnings;
};

namespace {
const QString kPositive = QStringLiteral("Please enter a positive integer.");
const QString kRange = QStringLiteral("Please enter an integer between 1 and 16000.");
} // namespace

void DialogsTest::fieldCheck_data() {
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("error");
    QTest::newRow("1") << "1" << QString();
    QTest::newRow("16000") << "16000" << QString();
    QTest::newRow("256") << "256" << QString();
    QTest::newRow("0") << "0" << kRange;
    QTest::newRow("16001") << "16001" << kRange;
    QTest::newRow("huge") << "99999999999999999999999" << kRange;
    QTest::newRow("empty") << "" << kPositive;
    QTest::newRow("blank") << "  " << kPositive;
    QTest::newRow("letters") << "abc" << kPositive;
    QTest::newRow("digits then letters") << "12a" << kPositive;
    QTest::newRow("negative") << "-5" << kPositive;
    QTest::newRow("decimal") << "2.5" << kPositive;
}

void DialogsTest::fieldCheck() {
    QFETCH(QString, input);
    QFETCH(QString, error);
    QCOMPARE(imageSizeError(input), error);
}

void DialogsTest::badWidthKeepsDialogOpen_data() {
    QTest::addColumn<QString>("width");
    QTest::addColumn<QString>("message");
    QTest::newRow("0") << "0" << kRange;
    QTest::newRow("16001") << "16001" << kRange;
    QTest::newRow("empty") << "" << kPositive;
    QTest::newRow("non-number") << "x1" << kPositive;
}

void DialogsTest::badWidthKeepsDialogOpen() {
    QFETCH(QString, width);
    QFETCH(QString, message);
    ImageSizeDialog dialog(256, 256);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    dialog.widthEdit()->setText(width);
    dialog.heightEdit()->setText("0"); // also bad, but width is checked first
    QTest::keyClick(&dialog, Qt::Key_Return);
    QCOMPARE(warnings, QStringList{message});
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QTRY_VERIFY(dialog.widthEdit()->hasFocus());
    QCOMPARE(dialog.imageWidth(), 256);
}

void DialogsTest::heightCheckedAfterWidth() {
    ImageSizeDialog dialog(10, 20);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    dialog.heightEdit()->setText("16001");
    dialog.accept();
    QCOMPARE(warnings, QStringList{kRange});
    QVERIFY(dialog.isVisible());
    QTRY_VERIFY(dialog.heightEdit()->hasFocus());
    QCOMPARE(dialog.imageHeight(), 20);
}

void DialogsTest::limitsAccepted() {
    ImageSizeDialog dialog(10, 20);
    QCOMPARE(dialog.widthEdit()->text(), QString("10"));
    QCOMPARE(dialog.heightEdit()->text(), QString("20"));
    dialog.show();
    dialog.widthEdit()->setText("1");
    dialog.heightEdit()->setText("16000");
    dialog.accept();
    QVERIFY(warnings.isEmpty());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.imageWidth(), 1);
    QCOMPARE(dialog.imageHeight(), 16000);
}

void DialogsTest::typingTakesDigitsOnly() {
    ImageSizeDialog dialog(10, 20);
    dialog.show();
    dialog.widthEdit()->clear();
    QTest::keyClicks(dialog.widthEdit(), "1x2-3.");
    QCOMPARE(dialog.widthEdit()->text(), QString("123"));
}

void DialogsTest::sizeNeedingTooMuchMemoryRefused_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<qulonglong>("available");
    QTest::addColumn<QString>("message"); // empty: accepted
    const qulonglong big = 16000ull * 16000ull * 4ull;
    QTest::newRow("largest, just fits") << 16000 << 16000 << big << QString();
    QTest::newRow("largest, a byte short")
        << 16000 << 16000 << big - 1
        << QStringLiteral("16000 × 16000 needs 1.0 GB for the picture; 1.0 GB is available");
    QTest::newRow("largest, half a gigabyte")
        << 16000 << 16000 << 500000000ull
        << QStringLiteral("16000 × 16000 needs 1.0 GB for the picture; 0.5 GB is available");
    QTest::newRow("wide and short") << 16000 << 1 << 64000ull << QString();
    QTest::newRow("nothing left") << 1 << 1 << 0ull
                                  << QStringLiteral("1 × 1 needs 0.0 GB for the picture; 0.0 GB "
                                                    "is available");
}

void DialogsTest::sizeNeedingTooMuchMemoryRefused() {
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(qulonglong, available);
    QFETCH(QString, message);
    ImageSizeDialog dialog(10, 20);
    dialog.setAvailableMemory([available] { return std::uint64_t(available); });
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    dialog.widthEdit()->setText(QString::number(width));
    dialog.heightEdit()->setText(QString::number(height));
    dialog.accept();
    if (message.isEmpty()) {
        QVERIFY(warnings.isEmpty());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.imageWidth(), width);
        QCOMPARE(dialog.imageHeight(), height);
        return;
    }
    QCOMPARE(warnings, QStringList{message});
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QTRY_VERIFY(dialog.widthEdit()->hasFocus());
    QCOMPARE(dialog.imageWidth(), 10);
    QCOMPARE(dialog.imageHeight(), 20);
}

QTEST_MAIN(DialogsTest)
#include "dialogs_test.moc"

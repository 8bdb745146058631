// The image view draws the picture at its own size or scaled down, centred on
// black, with the status band under it, and turns clicks into zooms.
#include <QApplication>
#include <QTest>

#include "app/view/image_view.h"
#include "app_test_support.h"
#include "view_drawing.h"

using namespace trevalin;
using namespace trevalin::testing;

class ViewTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { isolateSettings(); }
    void smallImageIsCentredAtItsOwnSize();
    void largeImageIsScaledDownToFit();
    void statusBandSitsUnderThePicture();
    void longStatusWrapsWithNothingCut();
    void clicksBecomeZooms();
};

void ViewTest::smallImageIsCentredAtItsOwnSize() {
    PatternView v(4, 3, 10, 9);
    const QImage shot = v.view.grab().toImage();
    QCOMPARE(shot.size(), QSize(10, 9));
    for (int y = 0; y < 9; ++y) {
        for (int x = 0; x < 10; ++x) {
            const bool inside = x >= 3 && x < 7 && y >= 3 && y < 6;
            const std::uint32_t expected = inside ? patternAt(x - 3, y - 3) : 0u;
            QVERIFY2(rgbAt(shot, x, y) == expected, qPrintable(QString("%1,%2").arg(x).arg(y)));
        }
    }
}

void ViewTest::largeImageIsScaledDownToFit() {
    PatternView v(200, 200, 100, 400);
    const QImage shot = v.view.grab().toImage();
    // 100 x 100 at (0, 150): black above and below, the pattern's corners at the corners.
    QCOMPARE(rgbAt(shot, 50, 149), 0u);
    QCOMPARE(rgbAt(shot, 50, 250), 0u);
    QCOMPARE(rgbAt(shot, 0, 150), patternAt(0, 0));
    const std::uint32_t corner = rgbAt(shot, 99, 249);
    QVERIFY(corner == patternAt(199, 199) || corner == patternAt(198, 198));
    const std::uint32_t middle = rgbAt(shot, 50, 200);
    QVERIFY(middle == patternAt(100, 100) || middle == patternAt(101, 101));
}

void ViewTest::statusBandSitsUnderThePicture() {
    PatternView v(20, 20, 200, 200);
    QCOMPARE(v.view.statusText(), QString()); // nothing drawn without a status
    v.view.setCompileMessage("red: parse error");
    QCOMPARE(v.view.statusText(), QString("red: parse error"));
    const QImage shot = v.view.grab().toImage();
    // Picture at (90, 90)..(110, 110); band from 118 to 150.
    auto rowHasText = [&](int y) {
        for (int x = 0; x < 200; ++x) {
            const QColor c = shot.pixelColor(x, y);
            if (c.red() > 60 && c.red() == c.green() && c.green() == c.blue()) return true;
        }
        return false;
    };
    bool text = false;
    for (int y = 118; y < 150; ++y)
        text = text || rowHasText(y);
    QVERIFY(text);
    for (int y = 110; y < 118; ++y)
        QVERIFY2(!rowHasText(y), qPrintable(QString::number(y)));
    for (int y = 150; y < 200; ++y)
        QVERIFY2(!rowHasText(y), qPrintable(QString::number(y)));
}

void ViewTest::longStatusWrapsWithNothingCut() {
    QFont font(QStringLiteral("Sans Serif"));
    font.setPixelSize(18);
    const QFontMetrics metrics(font);
    const QString path = "/home/someone/" + QString(60, 'm') + "/movie.mov";
    const struct {
        QString text;
        int width;
    } cases[] = {
        {"Movie not rendered: the frame rate must be above 0", 200},
        {"Movie not rendered: the frame rate must be above 0", 2000},
        {"red: parse error at column 4: expected an operand after '+'", 120},
        {"Can't create " + path + ": Permission denied", 150},
        {"two\nlines", 300},
        {"x", 1},
    };
    for (const auto& c : cases) {
        const QStringList lines = ImageView::statusLines(c.text, font, c.width);
        // Every character shows, in order: only the spaces at the breaks go.
        QString shown = lines.join(QString());
        QString expected = c.text;
        shown.remove(' ');
        expected.remove(' ').remove('\n');
        QCOMPARE(shown, expected);
        for (const QString& line : lines)
            QVERIFY2(line.size() == 1 || metrics.horizontalAdvance(line) <= c.width,
                     qPrintable(line));
        if (metrics.horizontalAdvance(c.text) > c.width && c.text.size() > 1)
            QVERIFY(lines.size() > 1);
    }

    // Drawn: the second line shows under the first, inside the view.
    PatternView v(20, 20, 200, 200);
    v.view.setCompileMessage(cases[0].text);
    const QImage shot = v.view.grab().toImage();
    auto rowHasText = [&](int y) {
        for (int x = 0; x < 200; ++x) {
            const QColor c = shot.pixelColor(x, y);
            if (c.red() > 60 && c.red() == c.green() && c.green() == c.blue()) return true;
        }
        return false;
    };
    const int lines = int(ImageView::statusLines(cases[0].text, font, 200).size());
    QVERIFY(lines >= 2);
    const int first = 118, step = metrics.lineSpacing();
    for (int line = 0; line < lines; ++line) {
        bool text = false;
        for (int y = first + line * step; y < first + (line + 1) * step && y < 200; ++y)
            text = text || rowHasText(y);
        QVERIFY2(text, qPrintable(QString::number(line)));
    }
}

void ViewTest::clicksBecomeZooms() {
    PatternView v(200, 200, 300, 300);
    v.showRecordingZooms();
    QTest::mouseClick(&v.view, Qt::LeftButton, {}, QPoint(150, 150));
    QCOMPARE(v.frame.ins, 1);
    QCOMPARE(v.frame.fx, 0.5);
    QCOMPARE(v.frame.fy, 0.5);
    QTest::mouseClick(&v.view, Qt::LeftButton, {}, QPoint(0, 250));
    QCOMPARE(v.frame.fx, -0.25);
    QCOMPARE(v.frame.fy, 1.0);
    QTest::mouseClick(&v.view, Qt::RightButton, {}, QPoint(10, 10));
    QCOMPARE(v.frame.outs, 1);
    QCOMPARE(v.frame.ins, 2);
    QTest::mouseClick(&v.view, Qt::MiddleButton, {}, QPoint(10, 10));
    QCOMPARE(v.frame.ins + v.frame.outs, 3);
}

QTEST_MAIN(ViewTest)
#include "view_test.moc"

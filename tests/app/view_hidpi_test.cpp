// On a screen with two device pixels per point, one image pixel is still one
// device pixel, and clicks map to the image point under the cursor.
#include <QApplication>
#include <QTest>

#include "app/view/image_view.h"
#include "app_test_support.h"
#include "view_drawing.h"

using namespace trevalin;
using namespace trevalin::testing;

class ViewHiDpiTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() {
        isolateSettings();
        QCOMPARE(qApp->devicePixelRatio(), 2.0);
    }
    void imagePixelIsDevicePixel();
    void clicksMapInDevicePixels();
};

void ViewHiDpiTest::imagePixelIsDevicePixel() {
    // 150 x 150 is 300 x 300 device pixels: the 200 x 200 image fits unscaled.
    PatternView v(200, 200, 150, 150);
    const QImage shot = v.view.grab().toImage();
    QCOMPARE(shot.size(), QSize(300, 300));
    for (const QPoint& p : {QPoint(0, 0), QPoint(1, 0), QPoint(0, 1), QPoint(57, 133),
                            QPoint(198, 199), QPoint(199, 199)}) {
        QVERIFY2(rgbAt(shot, p.x() + 50, p.y() + 50) == patternAt(p.x(), p.y()),
                 qPrintable(QString("%1,%2").arg(p.x()).arg(p.y())));
    }
    QCOMPARE(rgbAt(shot, 49, 100), 0u);
    QCOMPARE(rgbAt(shot, 250, 100), 0u);
}

void ViewHiDpiTest::clicksMapInDevicePixels() {
    PatternView v(200, 200, 150, 150);
    v.showRecordingZooms();
    QTest::mouseClick(&v.view, Qt::LeftButton, {}, QPoint(75, 75));
    QCOMPARE(v.frame.fx, 0.5);
    QCOMPARE(v.frame.fy, 0.5);
    QTest::mouseClick(&v.view, Qt::LeftButton, {}, QPoint(50, 100));
    QCOMPARE(v.frame.fx, 0.25);
    QCOMPARE(v.frame.fy, 0.75);
}

int main(int argc, char** argv) {
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    ViewHiDpiTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "view_hidpi_test.moc"

// Where the picture is drawn and which image point a click names.
#include <QTest>

#include "app/view/view_geometry.h"

using namespace trevalin;

class ViewGeometryTest : public QObject {
    Q_OBJECT
  private slots:
    void placement_data();
    void placement();
    void clickFraction_data();
    void clickFraction();
    void nothingToClickOn();
};

void ViewGeometryTest::placement_data() {
    QTest::addColumn<QSize>("client");
    QTest::addColumn<QSize>("image");
    QTest::addColumn<QRect>("expected");
    QTest::newRow("fits: own size, centred")
        << QSize(300, 460) << QSize(256, 256) << QRect(22, 102, 256, 256);
    QTest::newRow("odd margins round down")
        << QSize(301, 301) << QSize(256, 256) << QRect(22, 22, 256, 256);
    QTest::newRow("exact fit") << QSize(256, 256) << QSize(256, 256) << QRect(0, 0, 256, 256);
    QTest::newRow("too narrow: scaled by width")
        << QSize(100, 400) << QSize(200, 200) << QRect(0, 150, 100, 100);
    QTest::newRow("too low: scaled by height")
        << QSize(400, 100) << QSize(200, 200) << QRect(150, 0, 100, 100);
    QTest::newRow("one side too small keeps proportions")
        << QSize(300, 200) << QSize(256, 512) << QRect(100, 0, 100, 200);
    QTest::newRow("sizes truncate") << QSize(70, 70) << QSize(300, 200) << QRect(0, 12, 70, 46);
    QTest::newRow("wide image in a small client")
        << QSize(10, 10) << QSize(16000, 1) << QRect(0, 5, 10, 0);
}

void ViewGeometryTest::placement() {
    QFETCH(QSize, client);
    QFETCH(QSize, image);
    QFETCH(QRect, expected);
    const ImagePlacement p =
        placeImage(client.width(), client.height(), image.width(), image.height());
    QCOMPARE(QRect(p.left, p.top, p.width, p.height), expected);
}

void ViewGeometryTest::clickFraction_data() {
    QTest::addColumn<QPointF>("click");
    QTest::addColumn<QSize>("client");
    QTest::addColumn<QSize>("image");
    QTest::addColumn<QPointF>("expected");
    QTest::newRow("centre of a centred image")
        << QPointF(150, 150) << QSize(300, 300) << QSize(200, 200) << QPointF(0.5, 0.5);
    QTest::newRow("top-left pixel corner")
        << QPointF(50, 50) << QSize(300, 300) << QSize(200, 200) << QPointF(0, 0);
    QTest::newRow("unscaled, no margin")
        << QPointF(64, 192) << QSize(256, 256) << QSize(256, 256) << QPointF(0.25, 0.75);
    QTest::newRow("left margin gives below 0")
        << QPointF(25, 150) << QSize(300, 300) << QSize(200, 200) << QPointF(-0.125, 0.5);
    QTest::newRow("bottom margin gives above 1")
        << QPointF(150, 290) << QSize(300, 300) << QSize(200, 200) << QPointF(0.5, 1.2);
    // Scaled to 100 x 100 at (0, 150): the point under the cursor, not the
    // unscaled client position divided by the image size.
    QTest::newRow("scaled image, its centre")
        << QPointF(50, 200) << QSize(100, 400) << QSize(200, 200) << QPointF(0.5, 0.5);
    QTest::newRow("scaled image, a quarter in")
        << QPointF(25, 175) << QSize(100, 400) << QSize(200, 200) << QPointF(0.25, 0.25);
    QTest::newRow("scaled image, margin above")
        << QPointF(50, 100) << QSize(100, 400) << QSize(200, 200) << QPointF(0.5, -0.5);
}

void ViewGeometryTest::clickFraction() {
    QFETCH(QPointF, click);
    QFETCH(QSize, client);
    QFETCH(QSize, image);
    QFETCH(QPointF, expected);
    const auto f = clickToFraction(click.x(), click.y(), client.width(), client.height(),
                                   image.width(), image.height());
    QVERIFY(f.has_value());
    QCOMPARE(f->fx, expected.x());
    QCOMPARE(f->fy, expected.y());
}

void ViewGeometryTest::nothingToClickOn() {
    // Scaled to zero height, or no image at all: no zoom rather than an infinite region.
    QVERIFY(!clickToFraction(5, 5, 10, 10, 16000, 1).has_value());
    QVERIFY(!clickToFraction(5, 5, 10, 10, 0, 0).has_value());
    QVERIFY(!clickToFraction(5, 5, 0, 0, 256, 256).has_value());
}

QTEST_APPLESS_MAIN(ViewGeometryTest)
#include "view_geometry_test.moc"

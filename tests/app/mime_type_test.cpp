// The MIME type the program registers: a PNG carrying a preset is told apart
// from any other PNG by its contents, whatever its name, and stays a PNG.
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMimeDatabase>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

namespace {

quint32 crc32(const QByteArray& bytes) {
    quint32 crc = 0xFFFFFFFFu;
    for (char c : bytes) {
        crc ^= quint8(c);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

QByteArray chunk(const QByteArray& type, const QByteArray& data) {
    QByteArray out(4, '\0');
    qToBigEndian(quint32(data.size()), out.data());
    const QByteArray body = type + data;
    out += body;
    QByteArray crc(4, '\0');
    qToBigEndian(crc32(body), crc.data());
    return out + crc;
}

// A real PNG of size w x h, with the text chunk (if any) placed after IHDR or
// just before IEND.
QByteArray png(int w, int h, const QByteArray& textChunk, bool atEnd, bool noisy = false) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(x * 7, y * 13, (x ^ y) & 255));
    if (noisy) {
        // Pixels that do not compress, for a file of known bulk.
        QRandomGenerator random(17);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                image.setPixel(x, y, random.generate() & 0xFFFFFFu);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    if (textChunk.isEmpty()) return bytes;
    const qsizetype at = atEnd ? bytes.size() - 12 : 8 + 25; // IEND is 12 bytes; IHDR 25
    bytes.insert(at, textChunk);
    return bytes;
}

QByteArray itxt(const QByteArray& keyword, const QByteArray& text) {
    // keyword, NUL, no compression, method 0, empty language and translated keyword.
    return chunk("iTXt", keyword + QByteArray("\0\0\0\0\0", 5) + text);
}

} // namespace

class MimeTypeTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase();
    void presetPngsAreTheirOwnType_data();
    void presetPngsAreTheirOwnType();

  private:
    QTemporaryDir data_;
};

void MimeTypeTest::initTestCase() {
    // The database as an installed system builds it: the shared types and the
    // program's package compiled into one cache by update-mime-database.
    const QString shared = QStringLiteral("/usr/share/mime/packages/freedesktop.org.xml");
    if (!QFile::exists(shared) || QStandardPaths::findExecutable("update-mime-database").isEmpty())
        QSKIP("shared-mime-info is not installed: the MIME package is not checked");
    const QString packages = data_.filePath(QStringLiteral("mime/packages"));
    QVERIFY(QDir().mkpath(packages));
    QVERIFY(QFile::copy(shared, packages + QStringLiteral("/freedesktop.org.xml")));
    QVERIFY(QFile::copy(
        QStringLiteral(TREVALIN_SOURCE_DIR "/data/io.github.trevalin.Trevalin.mime.xml"),
        packages + QStringLiteral("/io.github.trevalin.Trevalin.xml")));
    QProcess update;
    update.start(QStringLiteral("update-mime-database"), {data_.filePath(QStringLiteral("mime"))});
    QVERIFY(update.waitForFinished(120000));
    QCOMPARE(update.exitCode(), 0);
    QVERIFY(QFile::exists(data_.filePath(QStringLiteral("mime/mime.cache"))));
    // Before the first QMimeDatabase: it reads the folders once.
    qputenv("XDG_DATA_DIRS", data_.path().toLocal8Bit());
    QMimeDatabase db;
    QVERIFY(db.mimeTypeForName(QStringLiteral("image/png")).isValid());
    QVERIFY(db.mimeTypeForName(QStringLiteral("image/x-trevalin-png")).isValid());
}

void MimeTypeTest::presetPngsAreTheirOwnType_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("type");
    const QByteArray preset = itxt("Trevalin preset", "PRESET Glow\n  red x*255\nENDPRESET\n");
    const QString trevalin = QStringLiteral("image/x-trevalin-png");
    const QString plain = QStringLiteral("image/png");
    QTest::newRow("preset") << png(16, 16, preset, false) << "a.png" << trevalin;
    QTest::newRow("preset, upper-case name") << png(16, 16, preset, false) << "A.PNG" << trevalin;
    QTest::newRow("preset, no suffix") << png(16, 16, preset, false) << "picture" << trevalin;
    // Sniffing reads the first 64 KiB; text chunks are written before the picture data.
    QTest::newRow("preset after a small picture")
        << png(40, 30, preset, true) << "end.png" << trevalin;
    const QByteArray big = png(200, 200, preset, true, true);
    QVERIFY(big.indexOf("iTXtTrevalin preset") > 65536);
    QTest::newRow("preset beyond the sniffed start") << big << "big.png" << plain;
    QTest::newRow("tEXt preset") << png(8, 8, chunk("tEXt", QByteArray("Trevalin preset\0x", 17)),
                                        false)
                                 << "t.png" << trevalin;
    QTest::newRow("plain png") << png(16, 16, {}, false) << "a.png" << plain;
    QTest::newRow("plain png, no suffix") << png(16, 16, {}, false) << "picture" << plain;
    QTest::newRow("other text") << png(16, 16, itxt("Comment", "Trevalin preset"), false) << "c.png"
                                << plain;
    QTest::newRow("longer keyword")
        << png(16, 16, itxt("Trevalin presets", "x"), false) << "k.png" << plain;
}

void MimeTypeTest::presetPngsAreTheirOwnType() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, name);
    QFETCH(QString, type);
    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
    file.close();
    // The chunk must not have spoilt the picture.
    QVERIFY(!QImage(path, "PNG").isNull());
    const QMimeType found = QMimeDatabase().mimeTypeForFile(path);
    QCOMPARE(found.name(), type);
    QVERIFY(found.inherits(QStringLiteral("image/png")));
}

QTEST_MAIN(MimeTypeTest)
#include "mime_type_test.moc"

#include "assets/flashimage.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

namespace {

constexpr int fontDirectoryAt = 256;
constexpr int imageDirectoryAt = 19636;
constexpr int dataAt = 39016;

quint32 le32(const QByteArray &bytes, int at)
{
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

QByteArray pattern(int size, char seed)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char(seed + i * 7);
    return bytes;
}

} // namespace

class FlashImageTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;

    QString writeFile(const QString &name, const QByteArray &content)
    {
        const QString path = dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    static QByteArray readAll(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    void startStateHeader()
    {
        const QByteArray header = headerBlock(StartupSettings{});
        QCOMPARE(header.size(), 256);
        QByteArray expected(256, '\0');
        expected.replace(0, 8, "Vexel9xx");
        expected[8] = 1;           // backlight on
        expected[9] = char(128);   // brightness
        expected[10] = 0x40;       // calibrated XY
        expected[84] = char(0x00); // 115200 = 0x0001C200
        expected[85] = char(0xC2);
        expected[86] = 0x01;
        expected[88] = 2; // serial transmitter
        QCOMPARE(header, expected);
    }

    void headerFields()
    {
        StartupSettings settings;
        settings.backlightOn = false;
        settings.brightness = 255;
        settings.touch = TouchMode::CuButton;
        settings.startScreen = StartScreen::Color;
        settings.fill = QColor(255, 0, 0);
        settings.baudRate = QStringLiteral("921600");
        settings.transmitter = Transmitter::I2c;
        settings.extendedMode = true;
        settings.usbMode = UsbMode::Msd;
        const QByteArray header = headerBlock(settings);
        QCOMPARE(header.at(8), char(0));
        QCOMPARE(quint8(header.at(9)), quint8(255));
        QCOMPARE(header.at(10), char(2));
        QCOMPARE(header.at(11), char(2));
        QCOMPARE(header.mid(76, 2), QByteArray("\x00\xF8", 2));
        QCOMPARE(header.mid(78, 6), QByteArray(6, '\0')); // no image fields for a colour screen
        QCOMPARE(le32(header, 84), quint32(921600));
        QCOMPARE(header.at(88), char(4));
        QCOMPARE(header.at(108), char(1));
        QCOMPARE(header.at(109), char(1));

        settings.touch = TouchMode::VxButton;
        settings.startScreen = StartScreen::Image;
        settings.imageNumber = 5;
        settings.imageX = 300;
        settings.imageY = 200;
        settings.baudRate = QStringLiteral("fast");
        settings.transmitter = Transmitter::Usb;
        const QByteArray image = headerBlock(settings);
        QCOMPARE(image.at(10), char(1));
        QCOMPARE(image.at(11), char(1));
        QCOMPARE(image.mid(76, 2), QByteArray(2, '\0')); // no colour for an image screen
        QCOMPARE(image.mid(78, 6), QByteArray("\x05\x00\x2C\x01\xC8\x00", 6));
        QCOMPARE(le32(image, 84), quint32(0));
        QCOMPARE(image.at(88), char(1));
        settings.transmitter = Transmitter::Spi;
        QCOMPARE(headerBlock(settings).at(88), char(3));
    }

    void addressesRunFromFontsIntoImages()
    {
        FontList fonts;
        fonts[0] = FontEntry{"a.vxf", 16, 32, 126, 1000, 0};
        fonts[1] = FontEntry{"b.ttf", 0, 0, 0, 500, 1}; // still type 0 in the directory
        ImageList images;
        images[0] = ImageEntry{0, "logo.bmp", 7, 5, 32, 300, 1};
        images[1] = ImageEntry{1, "pic.vxp", 1, 1, 16, 20, 0};
        const FlashBlocks blocks = flashBlocks(StartupSettings{}, fonts, 2, images, 2);

        QCOMPARE(blocks.fontDirectory.size(), 19380);
        QCOMPARE(blocks.imageDirectory.size(), 19380);
        const QByteArray &f = blocks.fontDirectory;
        QCOMPARE(f.left(6), QByteArray("a.vxf\0", 6));
        QCOMPARE(le32(f, 64), quint32(1000));
        QCOMPARE(le32(f, 68), quint32(0xD0300000));
        QCOMPARE(le32(f, 76 + 68), quint32(0xD03003E8));
        QCOMPARE(f.at(76 + 72), char(0));
        QCOMPARE(f.mid(2 * 76), QByteArray(253 * 76, '\0'));

        const QByteArray &g = blocks.imageDirectory;
        QCOMPARE(le32(g, 68), quint32(0xD03005DC));
        QCOMPARE(g.at(72), char(1));
        QCOMPARE(le32(g, 76 + 64), quint32(20));
        QCOMPARE(le32(g, 76 + 68), quint32(0xD03005DC + 300));
        QCOMPARE(g.at(76 + 72), char(0));
        QCOMPARE(g.mid(76 + 73, 3), QByteArray(3, '\0'));
        QCOMPARE(g.mid(2 * 76), QByteArray(253 * 76, '\0'));
    }

    void emptyListsGiveEmptyDirectories()
    {
        const FlashBlocks blocks = flashBlocks(StartupSettings{}, FontList{}, 0, ImageList{}, 0);
        QCOMPARE(blocks.fontDirectory, QByteArray(19380, '\0'));
        QCOMPARE(blocks.imageDirectory, QByteArray(19380, '\0'));
    }

    void longNamesStopAtACharacterBoundary_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("bytes");
        QTest::newRow("64 ASCII") << QString(64, 'n') << 64;
        QTest::newRow("65 ASCII") << QString(65, 'n') << 64;
        QTest::newRow("two-byte characters") << "a" + QString(40, QChar(0xE9)) << 63;
        QTest::newRow("three-byte characters") << QString(22, QChar(0x65E5)) << 63;
        QTest::newRow("short accented") << QStringLiteral("grün.vxp") << 9;
        QTest::newRow("whole path") << "/media/card/" + QString(100, 'x') + ".vxp" << 64;
    }

    void longNamesStopAtACharacterBoundary()
    {
        QFETCH(QString, name);
        QFETCH(int, bytes);
        const QByteArray stored = directoryName(name);
        QCOMPARE(stored.size(), bytes);
        QVERIFY(name.toUtf8().startsWith(stored));
        QCOMPARE(QString::fromUtf8(stored).toUtf8(), stored); // no character split

        quint32 address = 0x100;
        const QByteArray directory = directoryBlock({{name, 77, 1}}, address);
        QCOMPARE(directory.left(bytes), stored);
        QCOMPARE(directory.mid(bytes, 64 - bytes), QByteArray(64 - bytes, '\0'));
        QCOMPARE(le32(directory, 64), quint32(77)); // the size field is untouched
        QCOMPARE(le32(directory, 68), quint32(0x100));
        QCOMPARE(address, quint32(0x100 + 77));
    }

    void emptyImageIsHeaderAndDirectories()
    {
        const QString out = dir.filePath("empty.vxs");
        const FlashImageReport report =
            writeFlashImage(out, flashBlocks(StartupSettings{}, {}, 0, {}, 0), {});
        QVERIFY(report.written);
        QCOMPARE(report.fileSize, qint64(39016));
        const QByteArray bytes = readAll(out);
        QCOMPARE(bytes.size(), 39016);
        QVERIFY(bytes.startsWith("Vexel9xx"));
        QCOMPARE(bytes.mid(256), QByteArray(2 * 19380, '\0'));
    }

    void oneFontAndOneImage()
    {
        const QByteArray font = pattern(1000, 1);
        const QByteArray image = pattern(2000, 2);
        FontList fonts;
        fonts[0] = FontEntry{"font.vxf", 0, 0, 0, 1000, 0};
        ImageList images;
        images[0] = ImageEntry{0, "pic.vxp", 0, 0, 16, 2000, 0};
        const FlashBlocks blocks = flashBlocks(StartupSettings{}, fonts, 1, images, 1);
        const QString out = dir.filePath("one of each.vxs");
        const FlashImageReport report = writeFlashImage(
            out, blocks,
            {{writeFile("font.vxf", font), 1000}, {writeFile("pic.vxp", image), 2000}});

        QVERIFY(report.written);
        QVERIFY(report.missing.isEmpty() && report.shortened.isEmpty());
        const QByteArray bytes = readAll(out);
        QCOMPARE(bytes.size(), 42016);
        QCOMPARE(bytes.left(256), blocks.header);
        QCOMPARE(le32(bytes, fontDirectoryAt + 68), quint32(0xD0300000));
        QCOMPARE(bytes.mid(imageDirectoryAt, 8), QByteArray("pic.vxp\0", 8));
        QCOMPARE(le32(bytes, imageDirectoryAt + 64), quint32(2000));
        QCOMPARE(le32(bytes, imageDirectoryAt + 68), quint32(0xD03003E8));
        QCOMPARE(bytes.at(imageDirectoryAt + 72), char(0));
        QCOMPARE(bytes.mid(dataAt, 1000), font);
        QCOMPARE(bytes.mid(dataAt + 1000), image);
        // Every file starts where its address says.
        QCOMPARE(dataAt + int(le32(bytes, imageDirectoryAt + 68) - 0xD0300000), 40016);
        QVERIFY(flashImageSummary(out, report).contains("42016 bytes"));
    }

    void missingAndChangedFilesKeepAddressesTrue()
    {
        const QString grown = writeFile("grown.vxf", pattern(1500, 3));  // listed at 1000
        const QString shrunk = writeFile("shrunk.vxp", pattern(400, 4)); // listed at 700
        const QString last = writeFile("last.vxp", pattern(50, 5));
        const QString out = dir.filePath("changed.vxs");
        const FlashImageReport report = writeFlashImage(
            out, flashBlocks(StartupSettings{}, {}, 0, {}, 0),
            {{grown, 1000}, {dir.filePath("gone.vxp"), 300}, {shrunk, 700}, {last, 50}});

        QVERIFY(report.written);
        QCOMPARE(report.missing, QStringList{"gone.vxp"});
        QCOMPARE(report.shortened, QStringList{"shrunk.vxp"});
        const QByteArray bytes = readAll(out);
        QCOMPARE(bytes.size(), 39016 + 1000 + 300 + 700 + 50);
        QCOMPARE(bytes.mid(dataAt, 1000), pattern(1500, 3).left(1000));
        QCOMPARE(bytes.mid(dataAt + 1000, 300), QByteArray(300, '\0'));
        QCOMPARE(bytes.mid(dataAt + 1300, 400), pattern(400, 4));
        QCOMPARE(bytes.mid(dataAt + 1700, 300), QByteArray(300, '\0'));
        QCOMPARE(bytes.mid(dataAt + 2000), pattern(50, 5));
        const QString summary = flashImageSummary(out, report);
        QVERIFY(summary.contains("gone.vxp"));
        QVERIFY(summary.contains("shrunk.vxp"));
    }

    void filesLargerThanOneChunkAreCopiedWhole()
    {
        const QByteArray big = pattern(3 * 1024 * 1024 + 17, 6);
        const QString out = dir.filePath("big.vxs");
        QVERIFY(writeFlashImage(out, flashBlocks(StartupSettings{}, {}, 0, {}, 0),
                                {{writeFile("big.vxp", big), quint32(big.size())}})
                    .written);
        QCOMPARE(readAll(out).mid(dataAt), big);
    }

    void unwritableOutputIsReportedAndLeavesNothing()
    {
        const QString out = dir.filePath("no such folder/x.vxs");
        const FlashImageReport report =
            writeFlashImage(out, flashBlocks(StartupSettings{}, {}, 0, {}, 0), {});
        QVERIFY(!report.written);
        QVERIFY(report.error.startsWith("Cannot create x.vxs"));
        QCOMPARE(flashImageSummary(out, report), report.error);
        QVERIFY(!QFile::exists(out));
        QVERIFY(!writeFlashImage(dir.path(), {}, {}).written); // a folder is no output file
    }

    void diagnosticBitmaps()
    {
        QTemporaryDir work;
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(work.path()));
        QImage picture(4, 3, QImage::Format_RGB32);
        picture.fill(Qt::white);
        picture.setPixel(0, 0, qRgb(255, 0, 0));
        QVERIFY(picture.save("pic.bmp", "bmp"));

        writeDiagnosticBitmaps("elsewhere.bmp"); // not in the working directory
        QVERIFY(!QFile::exists("orig.bmp"));

        writeDiagnosticBitmaps("pic.bmp");
        const QImage original("orig.bmp");
        const QImage converted("test1.bmp");
        const QImage turned("test2.bmp");
        QDir::setCurrent(previous);
        QCOMPARE(original.pixel(0, 0), qRgb(255, 0, 0));
        QCOMPARE(converted.size(), QSize(4, 3));
        QCOMPARE(converted.pixel(0, 0), qRgb(255, 0, 0));
        QCOMPARE(turned.pixel(3, 2), qRgb(255, 0, 0));
        QCOMPARE(turned.pixel(0, 0), qRgb(255, 255, 255));
    }
};

QTEST_GUILESS_MAIN(FlashImageTest)
#include "tst_flashimage.moc"

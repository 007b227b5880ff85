#include "assets/flashimage.h"
#include "assets/testfiles.h"

#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

namespace {

constexpr int dataAt = 39016;

quint32 le32(const QByteArray &bytes, int at)
{
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

FlashBlocks emptyBlocks()
{
    return flashBlocks(StartupSettings{}, {}, 0, {}, 0);
}

} // namespace

class FlashImageTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString file(const QString &name, const QByteArray &bytes)
    {
        return writeFile(dir.path(), name, bytes);
    }

private slots:
    void header()
    {
        const QByteArray start = QByteArray("Vexel9xx\x01\x80\x40", 11).leftJustified(256, '\0');
        QCOMPARE(headerBlock(StartupSettings{}),
                 start.left(84) + QByteArray("\x00\xC2\x01\x00\x02", 5) + start.mid(89));

        StartupSettings s{true,
                          UsbMode::Msd,
                          false,
                          255,
                          StartScreen::Color,
                          5,
                          300,
                          200,
                          Qt::red,
                          TouchMode::CuButton,
                          "fast",
                          Transmitter::I2c};
        QByteArray h = headerBlock(s);
        QCOMPARE(h.mid(8, 4), QByteArray("\x00\xFF\x02\x02", 4));
        QCOMPARE(h.mid(76, 13),
                 QByteArray("\x00\xF8\0\0\0\0\0\0\0\0\0\0\x04", 13)); // no image fields
        QCOMPARE(h.mid(108, 2), QByteArray("\x01\x01"));
        s.startScreen = StartScreen::Image;
        s.touch = TouchMode::VxButton;
        s.transmitter = Transmitter::Spi;
        h = headerBlock(s);
        QCOMPARE(h.mid(10, 2), QByteArray("\x01\x01"));
        QCOMPARE(h.mid(76, 13), QByteArray("\0\0\x05\x00\x2C\x01\xC8\x00\0\0\0\0\x03", 13));
        s.transmitter = Transmitter::Usb;
        QCOMPARE(headerBlock(s).at(88), char(1));
    }

    void addressesRunFromFontsIntoImages()
    {
        FontList fonts;
        fonts[0] = {"a.vxf", 16, 32, 126, 1000, 0, {}};
        fonts[1] = {"b.ttf", 0, 0, 0, 500, 1, {}}; // every font is type 0 in the directory
        ImageList images;
        images[0] = {0, "logo.bmp", 7, 5, 32, 300, 1, {}};
        images[1] = {1, "pic.vxp", 1, 1, 16, 20, 0, {}};
        const FlashBlocks blocks = flashBlocks(StartupSettings{}, fonts, 2, images, 2);
        const QByteArray &f = blocks.fontDirectory;
        QCOMPARE(f.left(6) + f.mid(64, 12),
                 QByteArray("a.vxf\0\xE8\x03\0\0\0\0\x30\xD0\0\0\0\0", 18));
        QCOMPARE(le32(f, 76 + 68), 0xD03003E8u);
        QCOMPARE(f.at(76 + 72), char(0));
        QCOMPARE(f.mid(2 * 76), QByteArray(253 * 76, '\0'));
        const QByteArray &g = blocks.imageDirectory;
        QCOMPARE(le32(g, 68), 0xD03005DCu);
        QCOMPARE(g.at(72), char(1));
        QCOMPARE(le32(g, 76 + 68), 0xD03005DCu + 300);
        QCOMPARE(g.mid(76 + 72), QByteArray(4 + 253 * 76, '\0'));
    }

    void longNamesStopAtACharacterBoundary_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("bytes");
        QTest::newRow("64 ASCII") << QString(64, 'n') << 64;
        QTest::newRow("65 ASCII") << QString(65, 'n') << 64;
        QTest::newRow("2-byte") << "a" + QString(40, QChar(0xE9)) << 63;
        QTest::newRow("3-byte") << QString(22, QChar(0x65E5)) << 63;
        QTest::newRow("accented") << QString("grün.vxp") << 9;
    }

    void longNamesStopAtACharacterBoundary()
    {
        QFETCH(QString, name);
        QFETCH(int, bytes);
        quint32 address = 0x100;
        const QByteArray entry = directoryBlock({{name, 77, 1}}, address).left(76);
        QCOMPARE(entry.left(64), name.toUtf8().left(bytes).leftJustified(64, '\0'));
        QCOMPARE(QString::fromUtf8(entry.left(bytes)).toUtf8(), entry.left(bytes)); // whole chars
        QCOMPARE(entry.mid(64, 9), QByteArray("\x4D\0\0\0\0\x01\0\0\x01", 9));
        QCOMPARE(address, 0x100u + 77);
    }

    void imageFiles()
    {
        const QString empty = dir.filePath("empty.vxs");
        QVERIFY(writeFlashImage(empty, emptyBlocks(), {}).written);
        QCOMPARE(readAll(empty), emptyBlocks().header + QByteArray(2 * 19380, '\0'));

        FontList fonts;
        fonts[0] = {"font.vxf", 0, 0, 0, 1000, 0, {}};
        ImageList images;
        images[0] = {0, "pic.vxp", 0, 0, 16, 2000, 0, {}};
        const FlashBlocks blocks = flashBlocks(StartupSettings{}, fonts, 1, images, 1);
        const QString out = dir.filePath("one of each.vxs");
        const FlashImageReport report = writeFlashImage(
            out, blocks,
            {{file("f.vxf", pattern(1000, 1)), 1000}, {file("p", pattern(2000, 2)), 2000}});
        QCOMPARE(readAll(out), blocks.header + blocks.fontDirectory + blocks.imageDirectory +
                                   pattern(1000, 1) + pattern(2000, 2));
        QCOMPARE(flashImageSummary(out, report),
                 "Wrote " + QDir::toNativeSeparators(out) + " (42016 bytes)");
    }

    void changedFilesKeepAddressesTrue()
    {
        const QByteArray big = pattern(3 << 20, 6); // more than one copy chunk
        const QString out = dir.filePath("changed.vxs");
        const QVector<FlashDataFile> files = {
            {file("grown.vxf", pattern(1500, 3)), 1000}, {dir.filePath("gone.vxp"), 300},
            {file("shrunk.vxp", pattern(400, 4)), 700},  {"/dev/zero", 50}, // no kernel copy
            {file("big.vxp", big), quint32(big.size())}, {dir.filePath("none.vxp"), 0}};
        const FlashImageReport report = writeFlashImage(out, emptyBlocks(), files);
        QCOMPARE(readAll(out).mid(dataAt), pattern(1000, 3) + QByteArray(300, 0) + pattern(400, 4) +
                                               QByteArray(350, 0) + big);
        // Made in memory, the image is the one written, padding and all.
        QCOMPARE(flashImageBytes(emptyBlocks(), files), readAll(out));
        QCOMPARE(flashImageSummary(out, report).section("; ", 1),
                 QString("missing, filled with zeros: gone.vxp; shorter than listed, padded with "
                         "zeros: shrunk.vxp"));

        // Asked to refuse them, the image is not written and the old one stays.
        const FlashImageReport refused = writeFlashImage(
            out, emptyBlocks(),
            {{file("grown.vxf", pattern(10, 3)), 10}, {file("shrunk.vxp", pattern(400, 4)), 700}},
            ShortFiles::Refuse);
        QCOMPARE(refused.error,
                 QString("Cannot write changed.vxs: shrunk.vxp is missing or shorter than listed"));
        QCOMPARE(readAll(out).mid(dataAt, 10), pattern(1000, 3).left(10));
    }

    void failuresWriteNothing()
    {
        const QString out = dir.filePath("no such folder/x.vxs");
        const FlashImageReport report = writeFlashImage(out, emptyBlocks(), {});
        QVERIFY(!report.written && !QFile::exists(out));
        QCOMPARE(flashImageSummary(out, report),
                 QString("Cannot write x.vxs: its folder does not exist"));
        QVERIFY(writeFlashImage(dir.path(), emptyBlocks(), {}).error.endsWith(": it is a folder"));
#ifdef Q_OS_LINUX
        // A device would be replaced by a plain file, never written to.
        QCOMPARE(writeFlashImage("/dev/full", emptyBlocks(), {}).error,
                 QString("Cannot write full: it is not a plain file"));
#endif
        const QString listed = file("listed.vxp", pattern(10, 1));
        QVERIFY(writeFlashImage(listed, {}, {{listed, 10}}).error.contains("one of the listed"));
        QCOMPARE(readAll(listed), pattern(10, 1));
    }

#ifdef Q_OS_UNIX
    // A disk that fills halfway: the image before stays as it was and no
    // part of the new one is left anywhere in the folder.
    void aFullDiskKeepsTheOldImage()
    {
        QTemporaryDir folder;
        const QString out = folder.filePath("keep.vxs");
        const QByteArray old = pattern(5000, 7);
        writeFile(folder.path(), "keep.vxs", old);
        const QString big = file("big.vxf", pattern(1 << 20, 8));

        rlimit before{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &before), 0);
        const auto previousHandler = signal(SIGXFSZ, SIG_IGN); // EFBIG instead of death
        rlimit small = before;
        small.rlim_cur = 100000;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        const FlashImageReport report =
            writeFlashImage(out, emptyBlocks(), {{big, quint32(1 << 20)}});
        setrlimit(RLIMIT_FSIZE, &before);
        signal(SIGXFSZ, previousHandler);

        QVERIFY(!report.written);
        QVERIFY2(report.error.startsWith("Cannot write keep.vxs"), qPrintable(report.error));
        QCOMPARE(readAll(out), old);
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{"keep.vxs"});
    }
#endif
};

QTEST_GUILESS_MAIN(FlashImageTest)
#include "tst_flashimage.moc"

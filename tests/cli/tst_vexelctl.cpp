// The built vexelctl, run as a script would run it, on real files.
#include "assets/flashblocks.h"
#include "assets/flashlayout.h"
#include "assets/testfiles.h"
#include "config/configreader.h"

#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QtEndian>
#include <QtTest>

#include <sys/stat.h>

namespace {

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
    QStringList errorLines() const { return err.split(QLatin1Char('\n'), Qt::SkipEmptyParts); }
};

// A run that blocks (on a pipe, say) fails the test instead of hanging it.
Run vexelctl(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(VEXELCTL_PATH), arguments);
    Run run;
    if (!process.waitForFinished(20000)) {
        process.kill();
        process.waitForFinished();
        run.err = QStringLiteral("timed out");
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

// Why `run` is not a failure with status `code` and exactly one line on
// standard error holding `fragment`; empty when it is.
QString notOneLineFailure(const Run &run, int code, const QString &fragment)
{
    const QStringList lines = run.errorLines();
    if (run.exitCode == code && lines.size() == 1 && lines.first().startsWith("vexelctl: ") &&
        lines.first().contains(fragment))
        return QString();
    return QStringLiteral("exit %1, stderr: %2").arg(run.exitCode).arg(run.err);
}

#define EXPECT_FAILURE(run, code, fragment)                                                        \
    do {                                                                                           \
        const QString why = notOneLineFailure(run, code, fragment);                                \
        QVERIFY2(why.isEmpty(), qPrintable(why));                                                  \
    } while (false)

quint32 le32(const QByteArray &bytes, int at)
{
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

QString makeFifo(const QDir &dir, const QString &name)
{
    const QString path = dir.filePath(name);
    if (::mkfifo(QFile::encodeName(path).constData(), 0600) != 0)
        qFatal("cannot make a pipe");
    return path;
}

// A .vxp of `width` x `height` pixels whose transparent word is 0xF800.
QByteArray vxpBytes(int width, int height, char seed)
{
    QByteArray header(6, '\0');
    header[0] = char(width);
    header[2] = char(height);
    header[5] = char(0xF8);
    return header + pattern(2 * width * height, seed);
}

QString savePicture(const QDir &dir, const QString &name, const QImage &image)
{
    const QString path = dir.filePath(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (!image.save(path))
        qFatal("cannot save a picture");
    return path;
}

// Bytes in the file process `pid` has open in `folder`, other than
// `finalPath`; -1 while there is none. The temporary file may have no name
// (O_TMPFILE), so it is found through the process's descriptors.
qint64 bytesBeingWritten(qint64 pid, const QString &folder, const QString &finalPath)
{
    const QDir descriptors(QStringLiteral("/proc/%1/fd").arg(pid));
    const QStringList entries =
        descriptors.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        const QString link = descriptors.filePath(entry);
        const QString target = QFile::symLinkTarget(link);
        struct stat info;
        if (target.startsWith(folder + "/") && target != finalPath &&
            ::stat(QFile::encodeName(link).constData(), &info) == 0)
            return info.st_size;
    }
    return -1;
}

// "key: value" lines of one file in "vexelctl info" output.
QHash<QString, QString> infoFields(const QString &block)
{
    QHash<QString, QString> fields;
    for (const QString &line : block.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const int colon = line.indexOf(QStringLiteral(": "));
        if (colon > 0)
            fields.insert(line.left(colon), line.mid(colon + 2));
    }
    return fields;
}

const char everySettingChanged[] = "[Startup]\nExtendedMode = On\nUSBMode = MSD\n"
                                   "Backlight = Off\nBrightness = 300\nStartScreen = Color\n"
                                   "SSColor = 63488\nTouchScreen = cuButton\n"
                                   "SerialBaudRate = 9600\nTransmitter = SPI\n";

} // namespace

class VexelctlTest : public QObject
{
    Q_OBJECT

    QTemporaryDir temp;
    QDir dir;

    // Two fonts and two images under FONTS/ and IMAGES/ of `root`, in list order.
    QStringList writeAssets(const QDir &root)
    {
        QImage bitmap(3, 2, QImage::Format_RGB32);
        bitmap.fill(Qt::darkCyan);
        return {writeFile(root, "FONTS/big.vxf", pattern(5000, 1)),
                writeFile(root, "FONTS/other.ttf", pattern(333, 2)),
                writeFile(root, "IMAGES/logo.vxp", vxpBytes(4, 3, 3)),
                savePicture(root, "IMAGES/pic.bmp", bitmap)};
    }

    QString configText(const QString &startup, const QStringList &fonts, const QStringList &images)
    {
        QString text = startup + "[Fonts]\n";
        for (int i = 0; i < fonts.size(); ++i)
            text += QStringLiteral("%1 = %2\n").arg(i, 3, 10, QLatin1Char('0')).arg(fonts.at(i));
        text += "[Images]\n";
        for (int i = 0; i < images.size(); ++i)
            text += QStringLiteral("%1 = %2\n").arg(i, 3, 10, QLatin1Char('0')).arg(images.at(i));
        return text;
    }

    QString standardConfig(const QDir &at)
    {
        return writeFile(at, "Config.txt",
                         configText(everySettingChanged, {"/FONTS/big.vxf", "FONTS/other.ttf"},
                                    {"/IMAGES/logo.vxp", "IMAGES/pic.bmp"})
                             .toUtf8());
    }

private slots:
    void initTestCase()
    {
        QVERIFY(temp.isValid());
        dir.setPath(temp.path());
    }

    void commandLineMistakesAreUsageErrors_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("fragment");
        QTest::newRow("unknown command") << QStringList{"frob"} << "unknown command 'frob'";
        QTest::newRow("unknown option")
            << QStringList{"pack", "c.txt", "-o", "o.vxs", "--fast"} << "unknown option --fast";
        QTest::newRow("missing argument")
            << QStringList{"pack", "-o", "o.vxs"} << "missing CONFIG.txt";
        QTest::newRow("missing option") << QStringList{"unpack", "p.esf"} << "missing -d DIR";
        QTest::newRow("option without value")
            << QStringList{"pack", "c.txt", "-o"} << "-o needs a value";
        QTest::newRow("extra argument")
            << QStringList{"sdcard", "c.txt", "x", "--to", "card"} << "unexpected argument 'x'";
        QTest::newRow("option twice")
            << QStringList{"unpack", "p.esf", "-d", "a", "--dir=b"} << "--dir given twice";
        QTest::newRow("flag with value")
            << QStringList{"convert", "a.png", "--fit=yes"} << "--fit takes no value";
        QTest::newRow("-o for two pictures")
            << QStringList{"convert", "a.png", "b.png", "-o", "x"} << "2 pictures";
        QTest::newRow("-o with -d")
            << QStringList{"convert", "a.png", "-o", "x", "-d", "y"} << "together";
        QTest::newRow("bad colour")
            << QStringList{"convert", "a.png", "--transparent", "#12345"} << "#rrggbb";
        QTest::newRow("no files") << QStringList{"info"} << "missing FILE";
    }

    void commandLineMistakesAreUsageErrors()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, fragment);
        const Run run = vexelctl(arguments);
        EXPECT_FAILURE(run, 2, fragment);
        QVERIFY(run.out.isEmpty());
    }

    void helpTexts()
    {
        const Run bare = vexelctl({});
        QCOMPARE(bare.exitCode, 2);
        QVERIFY(bare.out.isEmpty() && bare.err.contains("Commands:"));
        for (const QString ask : {"help", "--help", "-h"}) {
            const Run list = vexelctl({ask});
            QCOMPARE(list.exitCode, 0);
            for (const QString command : {"pack", "unpack", "convert", "sdcard", "info"}) {
                QVERIFY(list.out.contains("\n  " + command + " "));
                const Run help = vexelctl({command, "--help"});
                QCOMPARE(help.exitCode, 0);
                QVERIFY(help.out.startsWith("Usage: vexelctl " + command + " "));
                QCOMPARE(vexelctl({"help", command}).out, help.out);
            }
        }
    }

    // The tool must run where there is no display and no widget library.
    void linksNoWidgetLibrary()
    {
        QProcess ldd;
        ldd.start("ldd", {VEXELCTL_PATH});
        if (!ldd.waitForFinished() || ldd.exitCode() != 0)
            QSKIP("ldd is not available");
        const QByteArray libraries = ldd.readAllStandardOutput();
        QVERIFY(libraries.contains("libQt5Core"));
        QVERIFY(!libraries.contains("libQt5Widgets"));
    }

    void headerCodesReadBack()
    {
        for (TouchMode mode : {TouchMode::VxButton, TouchMode::CuButton, TouchMode::CalibratedXY})
            QVERIFY(touchModeOfCode(touchCode(mode)) == mode);
        for (StartScreen screen : {StartScreen::Default, StartScreen::Image, StartScreen::Color})
            QVERIFY(startScreenOfCode(startScreenCode(screen)) == screen);
        for (Transmitter sender :
             {Transmitter::Usb, Transmitter::Serial, Transmitter::Spi, Transmitter::I2c})
            QVERIFY(transmitterOfCode(transmitterCode(sender)) == sender);
        for (UsbMode mode : {UsbMode::Cdc, UsbMode::Msd})
            QVERIFY(usbModeOfCode(usbModeCode(mode)) == mode);
        QVERIFY(!touchModeOfCode(0) && !startScreenOfCode(3) && !transmitterOfCode(0));
    }

    void packWritesHeaderDirectoriesAndData()
    {
        const QDir root(dir.filePath("pack"));
        const QStringList files = writeAssets(root);
        const QString out = root.filePath("out.vxs");
        const Run run = vexelctl({"pack", standardConfig(root), "-o", out});
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.err.isEmpty(), qPrintable(run.err));
        QVERIFY(run.out.startsWith("Wrote ") && run.out.count('\n') == 1);

        const QByteArray image = readAll(out);
        using namespace FlashLayout::Header;
        QCOMPARE(image.left(8), QByteArray("Vexel9xx"));
        QCOMPARE(image.mid(backlight, 4), QByteArray("\x00\x2C\x02\x02", 4)); // 300 & 0xFF
        QCOMPARE(image.mid(startScreenColor, 2), QByteArray("\x00\xF8", 2));
        QCOMPARE(image.mid(startImageNumber, 6), QByteArray(6, '\0'));
        QCOMPARE(le32(image, baudRate), 9600u);
        QCOMPARE(image.at(transmitter), char(3));
        QCOMPARE(image.mid(extendedMode, 2), QByteArray("\x01\x01"));

        QByteArray data;
        const int entrySize = FlashLayout::directoryEntrySize;
        const QList<int> directories{
            FlashLayout::fontDirectoryOffset, FlashLayout::fontDirectoryOffset + entrySize,
            FlashLayout::imageDirectoryOffset, FlashLayout::imageDirectoryOffset + entrySize};
        for (int i = 0; i < files.size(); ++i) {
            using namespace FlashLayout::Entry;
            const QByteArray entry = image.mid(directories.at(i), entrySize);
            QCOMPARE(entry.left(entry.indexOf('\0')), QFileInfo(files.at(i)).fileName().toUtf8());
            QCOMPARE(le32(entry, size), quint32(readAll(files.at(i)).size()));
            QCOMPARE(le32(entry, address), FlashLayout::assetBaseAddress + quint32(data.size()));
            QCOMPARE(int(entry.at(type)), i == 3 ? 1 : 0); // only the bitmap is not type 0
            data += readAll(files.at(i));
        }
        QCOMPARE(image.mid(FlashLayout::dataOffset), data);
    }

    // --root takes the listed paths from another folder, as if the
    // Config.txt lay there.
    void packRootOption()
    {
        const QDir root(dir.filePath("root"));
        writeAssets(root);
        const QString inside = standardConfig(root);
        const QString elsewhere =
            writeFile(dir.filePath("elsewhere"), "Config.txt", readAll(inside));
        const QString a = dir.filePath("a.vxs");
        const QString b = dir.filePath("b.vxs");
        QCOMPARE(vexelctl({"pack", inside, "-o", a}).exitCode, 0);
        QCOMPARE(vexelctl({"pack", elsewhere, "--root", root.path(), "-o", b}).exitCode, 0);
        QCOMPARE(readAll(b), readAll(a));
        EXPECT_FAILURE(vexelctl({"pack", elsewhere, "--root", dir.filePath("none"), "-o", b}), 1,
                       "no such folder");
    }

    void packRefusesBadOutputsAndInputs()
    {
        const QDir root(dir.filePath("refuse"));
        const QStringList files = writeAssets(root);
        const QString config = standardConfig(root);
        const QByteArray configBytes = readAll(config);
        EXPECT_FAILURE(vexelctl({"pack", config, "-o", root.path()}), 1, "it is a folder");
        EXPECT_FAILURE(vexelctl({"pack", config, "-o", config}), 1, "Config.txt being packed");
        QCOMPARE(readAll(config), configBytes);
        EXPECT_FAILURE(vexelctl({"pack", config, "-o", files.at(2)}), 1, "one of the listed");
        QCOMPARE(readAll(files.at(2)), vxpBytes(4, 3, 3));
        const QString fifo = makeFifo(root, "pipe.vxs");
        EXPECT_FAILURE(vexelctl({"pack", config, "-o", fifo}), 1, "not a plain file");
        const QString unused = root.filePath("x.vxs");
        EXPECT_FAILURE(vexelctl({"pack", makeFifo(root, "Pipe.txt"), "-o", unused}), 1,
                       "not a plain file");
        EXPECT_FAILURE(vexelctl({"pack", files.at(0), "-o", unused}), 1, "big.vxf");
        QVERIFY(!QFileInfo::exists(unused));
        QVERIFY(QFileInfo(fifo).exists() && !QFileInfo(fifo).isFile());
    }

    void packMissingListedFile()
    {
        const QDir root(dir.filePath("missing"));
        writeAssets(root);
        QFile::remove(root.filePath("FONTS/other.ttf"));
        makeFifo(root, "IMAGES/pipe.vxp");
        const QString out = root.filePath("out.vxs");
        const QString config = writeFile(
            root, "Config.txt",
            configText({}, {"FONTS/other.ttf", "FONTS/big.vxf"}, {"IMAGES/pipe.vxp"}).toUtf8());
        Run run = vexelctl({"pack", config, "-o", out});
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.errorLines().size(), 2);
        QVERIFY(run.errorLines().at(0).contains(root.filePath("FONTS/other.ttf")));
        QVERIFY(run.errorLines().at(1).contains("pipe.vxp") && run.err.contains("nothing written"));
        QVERIFY(!QFile::exists(out));

        run = vexelctl({"pack", config, "-o", out, "--allow-missing"});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.errorLines().size(), 2);
        QVERIFY(run.errorLines().at(0).startsWith("vexelctl: warning: "));
        const QByteArray image = readAll(out);
        QCOMPARE(le32(image, FlashLayout::fontDirectoryOffset + 64), 0u); // size as read
        QCOMPARE(image.mid(FlashLayout::dataOffset), pattern(5000, 1));
    }

    // A list names 300 images: the image would lack 45 of them.
    void packFullListFails()
    {
        const QDir root(dir.filePath("full"));
        QStringList images;
        for (int i = 0; i < 300; ++i)
            images << QFileInfo(
                          writeFile(root, QStringLiteral("i%1.vxp").arg(i), vxpBytes(1, 1, 0)))
                          .fileName();
        const QString config = writeFile(root, "Config.txt", configText({}, {}, images).toUtf8());
        EXPECT_FAILURE(vexelctl({"pack", config, "-o", root.filePath("out.vxs")}), 1,
                       "45 images not added");
        QVERIFY(!QFile::exists(root.filePath("out.vxs")));
    }

    // Killed while writing, pack leaves the old image whole under its name.
    void packKilledMidWriteKeepsOldImage()
    {
        const QDir root(dir.filePath("kill"));
        const QDir outDir(root.filePath("out"));
        QDir().mkpath(outDir.path());
        const QString out = outDir.filePath("OUT.vxs");
        const QByteArray old = "an old image that must survive";
        writeFile(outDir, "OUT.vxs", old);
        bool killedMidWay = false;
        for (int attempt = 1; attempt <= 3 && !killedMidWay; ++attempt) {
            const QByteArray bytes = pattern(attempt * 400 * 1024, char(attempt));
            QStringList fonts;
            for (int i = 0; i < listCapacity; ++i)
                fonts << QFileInfo(writeFile(root, QStringLiteral("f%1.vxf").arg(i), bytes))
                             .fileName();
            const QString config =
                writeFile(root, "Config.txt", configText({}, fonts, {}).toUtf8());
            QProcess pack;
            pack.start(VEXELCTL_PATH, {"pack", config, "-o", out});
            QVERIFY(pack.waitForStarted());
            QElapsedTimer clock;
            clock.start();
            // Killed once the new image holds more than its blocks; without
            // /proc, after a moment.
            const bool watched = QFileInfo::exists("/proc/self/fd");
            while (pack.state() == QProcess::Running && clock.elapsed() < (watched ? 5000 : 150) &&
                   bytesBeingWritten(pack.processId(), outDir.path(), out) <=
                       FlashLayout::dataOffset)
                QThread::usleep(200);
            pack.kill();
            pack.waitForFinished();
            // The final name holds the old image or the whole new one, never a part.
            const QByteArray now = readAll(out);
            const bool kept = now == old;
            QVERIFY(kept || (now.size() == FlashLayout::dataOffset + listCapacity * bytes.size() &&
                             now.endsWith(bytes)));
            killedMidWay = kept && pack.exitStatus() == QProcess::CrashExit;
            if (!kept)
                writeFile(outDir, "OUT.vxs", old);
            const QStringList names = outDir.entryList(QDir::Files);
            QCOMPARE(names.count("OUT.vxs"), 1);
            for (const QString &name : names)
                QVERIFY(name == "OUT.vxs" || name.startsWith("OUT.vxs."));
        }
        if (!killedMidWay)
            QWARN("pack finished every time before it could be killed");
    }

    void convertWritesExactBytes()
    {
        const QDir root(dir.filePath("convert"));
        QImage picture(2, 1, QImage::Format_ARGB32);
        picture.setPixel(0, 0, qRgb(255, 0, 0));
        picture.setPixel(1, 0, qRgb(0, 0, 255));
        const QString red = savePicture(root, "red.png", picture);
        Run run = vexelctl({"convert", red});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, root.filePath("red.vxp") + "\n");
        QCOMPARE(readAll(root.filePath("red.vxp")), QByteArray::fromHex("020001001ff800f81f00"));

        picture.setPixel(1, 0, qRgba(0, 0, 255, 0));
        const QString clear = savePicture(root, "clear.png", picture);
        run = vexelctl(
            {"convert", clear, "-d", root.filePath("made/here"), "--transparent", "#00ff00"});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(readAll(root.filePath("made/here/clear.vxp")),
                 QByteArray::fromHex("02000100e00700f8e007"));
    }

    void convertFitAndFailures()
    {
        const QDir root(dir.filePath("fit"));
        QImage tall(10, 400, QImage::Format_RGB32);
        tall.fill(Qt::white);
        const QString picture = savePicture(root, "tall.png", tall);
        const QString out = root.filePath("t.vxp");
        EXPECT_FAILURE(vexelctl({"convert", picture, "-o", out}), 1, "400 pixels tall");
        QVERIFY(!QFile::exists(out));
        const Run fitted = vexelctl({"convert", picture, "-o", out, "--fit"});
        QCOMPARE(fitted.exitCode, 0);
        QVERIFY(fitted.err.startsWith("vexelctl: warning: tall.png: scaled down"));
        const QByteArray bytes = readAll(out);
        QCOMPARE(int(quint8(bytes.at(2))), 255);
        QCOMPARE(bytes.size(), 6 + 2 * 255 * int(bytes.at(0)));

        // Each bad picture gets its line; the good one is still converted.
        const QString truncated = writeFile(root, "cut.png", readAll(picture).left(40));
        const QString again = savePicture(root, "sub/tall.png", tall);
        const Run mixed = vexelctl({"convert", truncated, picture, makeFifo(root, "p.png"), again,
                                    "-d", root.filePath("out"), "--fit"});
        QCOMPARE(mixed.exitCode, 1);
        QCOMPARE(mixed.out, root.filePath("out/tall.vxp") + "\n");
        const QStringList lines = mixed.errorLines();
        QCOMPARE(lines.size(), 4);
        QVERIFY(lines.at(0).contains("cut.png") && lines.at(2).contains("p.png"));
        QVERIFY(lines.at(3).contains("already written"));
    }

    void sdcardWritesTheCard()
    {
        const QDir root(dir.filePath("sd"));
        const QStringList files = writeAssets(root);
        const QString config = standardConfig(root);
        const QDir card(root.filePath("card"));
        QDir().mkpath(card.path());
        Run run = vexelctl({"sdcard", config, "--to", card.path()});
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.err.isEmpty() && run.out.contains("wrote 4 files and Config.txt"));
        const ConfigReading written = readConfigFile(card.filePath("Config.txt"));
        QVERIFY(written.file);
        QCOMPARE(written.file->fontPaths,
                 QStringList({card.path() + "/FONTS/big.vxf", card.path() + "/FONTS/other.ttf"}));
        QCOMPARE(written.file->imagePaths,
                 QStringList({card.path() + "/IMAGES/logo.vxp", card.path() + "/IMAGES/pic.bmp"}));
        QVERIFY(written.file->text.contains("Brightness = 44\n"));
        for (int i = 0; i < files.size(); ++i)
            QCOMPARE(
                readAll(i < 2 ? written.file->fontPaths.at(i) : written.file->imagePaths.at(i - 2)),
                readAll(files.at(i)));

        run = vexelctl({"sdcard", config, "--to", card.path()});
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.out.contains("nothing to write, all 4 files and Config.txt unchanged"));
    }

    void sdcardRefusals()
    {
        const QDir root(dir.filePath("sdbad"));
        writeAssets(root);
        const QString config = standardConfig(root);
        const QString absent = root.filePath("unmounted");
        EXPECT_FAILURE(vexelctl({"sdcard", config, "--to", absent}), 1, "does not exist");
        QVERIFY(!QFileInfo::exists(absent));

        writeFile(root, "other/big.vxf", "different bytes");
        const QString clash = writeFile(
            root, "Clash.txt", configText({}, {"FONTS/big.vxf", "other/big.vxf"}, {}).toUtf8());
        const QDir card(root.filePath("card"));
        QDir().mkpath(card.path());
        EXPECT_FAILURE(vexelctl({"sdcard", clash, "--to", card.path()}), 1,
                       "would both be /FONTS/big.vxf");
        const QString missing =
            writeFile(root, "Missing.txt", configText({}, {"FONTS/none.vxf"}, {}).toUtf8());
        EXPECT_FAILURE(vexelctl({"sdcard", missing, "--to", card.path()}), 1, "none.vxf");
        QVERIFY(card.isEmpty());
    }

    void sdcardReadOnlyCard()
    {
        const QDir root(dir.filePath("ro"));
        writeAssets(root);
        const QString card = root.filePath("card");
        QDir().mkpath(card);
        if (QProcess::execute("mount", {"-t", "tmpfs", "-o", "ro,size=64k", "tmpfs", card}) != 0)
            QSKIP("cannot mount a read-only card here");
        const Run run = vexelctl({"sdcard", standardConfig(root), "--to", card});
        QProcess::execute("umount", {card});
        EXPECT_FAILURE(run, 1, "Cannot write to the card");
    }

    void unpackPackage()
    {
        const QDir root(dir.filePath("esf"));
        const QByteArray first = pattern(100, 1);
        const QByteArray second = pattern(200, 2);
        const QString package =
            writeFile(root, "p.esf", esfTable({765, 865, 1065}) + first + second);
        const QDir out(root.filePath("new/images"));
        const Run run = vexelctl({"unpack", package, "-d", out.path()});
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.out.contains("wrote 2 images"));
        QCOMPARE(readAll(out.filePath("0.vxp")), first);
        QCOMPARE(readAll(out.filePath("1.vxp")), second);

        const QDir blocked(root.filePath("blocked"));
        QDir().mkpath(blocked.filePath("1.vxp"));
        EXPECT_FAILURE(vexelctl({"unpack", package, "-d", blocked.path()}), 1,
                       "could not write 1.vxp");
        EXPECT_FAILURE(vexelctl({"unpack", package, "-d", package}), 1, "not a folder");
        EXPECT_FAILURE(vexelctl({"unpack", root.filePath("no.esf"), "-d", root.filePath("x")}), 1,
                       "no.esf");
        QVERIFY(!QFileInfo::exists(root.filePath("x")));
    }

    void infoOfAPackedImage()
    {
        const QDir root(dir.filePath("info"));
        const QStringList files = writeAssets(root);
        const QString out = root.filePath("out.vxs");
        QCOMPARE(vexelctl({"pack", standardConfig(root), "-o", out}).exitCode, 0);
        const Run run = vexelctl({"info", out});
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.out.startsWith(out + "\n"));
        const QHash<QString, QString> fields = infoFields(run.out);
        const QHash<QString, QString> expected{
            {"backlight", "Off"},
            {"brightness", "44"},
            {"touch", "cuButton"},
            {"start screen", "Color"},
            {"baud rate", "9600"},
            {"start-screen colour", "63488 (0xf800)"},
            {"transmitter", "SPI"},
            {"extended mode", "On"},
            {"USB mode", "MSD"},
            {"fonts", "2"},
            {"images", "2"},
            {"font 0", "name big.vxf, size 5000, address 0xd0300000, type 0"},
            {"image 1", QStringLiteral("name pic.bmp, size %1, address 0x%2, type 1")
                            .arg(QFileInfo(files.at(3)).size())
                            .arg(FlashLayout::assetBaseAddress + 5000 + 333 + 30, 0, 16)}};
        for (auto it = expected.begin(); it != expected.end(); ++it)
            QCOMPARE(fields.value(it.key()), it.value());
        QVERIFY(!fields.contains("image 2"));
    }

    // A bad file is named on stderr; the others are still shown.
    void infoOfEachKind()
    {
        const QDir root(dir.filePath("kinds"));
        QByteArray font = pattern(40, 5);
        font[0] = 16;
        font[34] = 32;
        font[35] = 126;
        const QString short_ =
            writeFile(root, "short.vxs", QByteArray("Vexel9xx").leftJustified(39015, '\0'));
        const QString unsigned_ = writeFile(root, "plain.vxs", QByteArray(39016, '\0'));
        const QStringList files{
            writeFile(root, "a.vxf", font),
            short_,
            writeFile(root, "whole.vxp", vxpBytes(2, 1, 0)),
            writeFile(root, "cut.vxp", vxpBytes(4, 4, 0).left(20)),
            writeFile(root, "notes.txt", "x"),
            unsigned_,
            writeFile(root, "p.esf", esfTable({765, 865, 1000}) + pattern(100))};
        const Run run = vexelctl(QStringList{"info"} + files);
        QCOMPARE(run.exitCode, 1);
        const QStringList problems = run.errorLines();
        QCOMPARE(problems.size(), 3);
        QVERIFY(problems.at(0).contains("39015 bytes, shorter than the 39016"));
        QVERIFY(problems.at(1).contains("notes.txt") && problems.at(2).contains("not a flash"));

        const QStringList blocks = run.out.split("\n\n");
        QCOMPARE(blocks.size(), 4);
        const auto fieldsOf = [&blocks](int i) { return infoFields(blocks.at(i)); };
        QCOMPARE(fieldsOf(0).value("first character"), QString("32"));
        QCOMPARE(fieldsOf(0).value("last character"), QString("126 '~'"));
        QCOMPARE(fieldsOf(1).value("transparent colour"), QString("63488 (0xf800)"));
        QCOMPARE(fieldsOf(1).value("all pixels"), QString("yes"));
        QVERIFY(fieldsOf(2).value("all pixels").startsWith("no, "));
        QCOMPARE(fieldsOf(3).value("image 0"), QString("offset 765, length 100"));
        QCOMPARE(fieldsOf(3).value("slots skipped"), QString("1"));
    }
};

QTEST_GUILESS_MAIN(VexelctlTest)
#include "tst_vexelctl.moc"

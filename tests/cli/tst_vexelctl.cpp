// The built vexelctl, run as a script would run it, on real files.
#include "assets/flashblocks.h"
#include "assets/flashlayout.h"
#include "assets/testfiles.h"
#include "traffic/pcapng.h"

#include <QBuffer>
#include <QDeadlineTimer>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <sys/stat.h>

namespace {

struct Run
{
    int exitCode = -1; // also when it crashed or hung
    QString out;
    QString err;
    QStringList errorLines() const { return err.split('\n', Qt::SkipEmptyParts); }
    QString report() const { return QStringLiteral("exit %1: %2%3").arg(exitCode).arg(out, err); }
    // Failed with `code` and said why in one line holding `fragment`.
    bool failed(int code, const QString &fragment) const
    {
        const QStringList lines = errorLines();
        return exitCode == code && lines.size() == 1 && lines[0].startsWith("vexelctl: ") &&
               lines[0].contains(fragment);
    }
};

// A run that blocks (on a pipe, say) fails the test instead of hanging it:
// the process dies with `process`.
Run vexelctl(const QStringList &arguments)
{
    QProcess process;
    process.start(VEXELCTL_PATH, arguments);
    const bool ok = process.waitForFinished(20000) && process.exitStatus() == QProcess::NormalExit;
    return {ok ? process.exitCode() : -1, QString::fromLocal8Bit(process.readAllStandardOutput()),
            QString::fromLocal8Bit(process.readAllStandardError())};
}

#define EXPECT_FAILURE(run, code, fragment)                                                        \
    do {                                                                                           \
        const Run done = (run);                                                                    \
        QVERIFY2(done.failed(code, fragment), qPrintable(done.report()));                          \
    } while (false)

QString makeFifo(const QDir &dir, const QString &name)
{
    const QString path = dir.filePath(name);
    if (::mkfifo(QFile::encodeName(path).constData(), 0600) != 0)
        qFatal("cannot make a pipe");
    return path;
}

// A .vxp of `width` x `height` pixels whose transparent word is 0xF800.
QByteArray vxpBytes(int width, int height, char seed = 0)
{
    const char header[] = {char(width), 0, char(height), 0, 0, char(0xF8)};
    return QByteArray(header, 6) + pattern(2 * width * height, seed);
}

QString savePicture(const QDir &dir, const QString &name, const QImage &image)
{
    const QString path = writeFile(dir, name, {}); // with its folder
    if (!image.save(path))
        qFatal("cannot save a picture");
    return path;
}

// A Config.txt in `at` listing `fonts` and `images`, after `startup`.
QString writeConfig(const QDir &at, const QStringList &fonts, const QStringList &images,
                    const QString &startup = {})
{
    const auto list = [](const QStringList &paths) {
        QString text;
        for (int i = 0; i < paths.size(); ++i)
            text += QStringLiteral("%1 = %2\n").arg(i, 3, 10, QLatin1Char('0')).arg(paths[i]);
        return text;
    };
    return writeFile(at, "Config.txt",
                     (startup + "[Fonts]\n" + list(fonts) + "[Images]\n" + list(images)).toUtf8());
}

// Two fonts and two images under FONTS/ and IMAGES/ of `root`, in list
// order, and a Config.txt listing them with every setting changed.
QStringList writeAssets(const QDir &root)
{
    QImage bitmap(3, 2, QImage::Format_RGB32);
    bitmap.fill(Qt::darkCyan);
    writeConfig(root, {"/FONTS/big.vxf", "FONTS/other.ttf"}, {"/IMAGES/logo.vxp", "IMAGES/pic.bmp"},
                "[Startup]\nExtendedMode = On\nUSBMode = MSD\nBacklight = Off\nBrightness = 300\n"
                "StartScreen = Color\nSSColor = 63488\nTouchScreen = cuButton\n"
                "SerialBaudRate = 9600\nTransmitter = SPI\n");
    return {writeFile(root, "FONTS/big.vxf", pattern(5000, 1)),
            writeFile(root, "FONTS/other.ttf", pattern(333, 2)),
            writeFile(root, "IMAGES/logo.vxp", vxpBytes(4, 3, 3)),
            savePicture(root, "IMAGES/pic.bmp", bitmap)};
}

// Bytes in the file process `pid` has open in `folder`, other than
// `finalPath`; -1 while there is none. The temporary file may have no name
// (O_TMPFILE), so it is found through the process's descriptors.
qint64 bytesBeingWritten(qint64 pid, const QString &folder, const QString &finalPath)
{
    const QDir descriptors(QStringLiteral("/proc/%1/fd").arg(pid));
    for (const QFileInfo &link : descriptors.entryInfoList(QDir::AllEntries | QDir::System)) {
        const QString target = link.symLinkTarget();
        if (target.startsWith(folder + "/") && target != finalPath)
            return link.size(); // of the file it stands for, even one without a name
    }
    return -1;
}

} // namespace

class VexelctlTest : public QObject
{
    Q_OBJECT

    QTemporaryDir temp;

private slots:
    // The Traffic window's lines for a capture; a damaged one keeps what
    // came before the damage and says where it is.
    void decodePrintsEveryRecord()
    {
        QBuffer capture;
        capture.open(QIODevice::WriteOnly);
        QVERIFY(writeCapture(capture,
                             {{Direction::Sent, 0, QByteArray::fromHex("85000a14")},
                              {Direction::Sent, 1500, QByteArray::fromHex("83")},
                              {Direction::Received, 4250, QByteArray("8")}},
                             1700000000000000));
        const QString path = writeFile(temp.path(), "session.pcapng", capture.data());
        const Run run = vexelctl({"decode", path});
        QCOMPARE(run.exitCode, 0);
        const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines.at(0), QString("0.000\tsent\t85 00 0a 14\t....\tSetXHY x=10 y=20\t"));
        QCOMPARE(lines.at(2).section('\t', 0, 4), QString("4.250\treceived\t38\t8\tpong"));

        // The simulator's own capture of the same session, turned round.
        QByteArray simulator = capture.data();
        simulator.replace("Vexel900 Bench", "vexelsim-bench");
        const Run turned = vexelctl({"decode", writeFile(temp.path(), "sim.pcapng", simulator)});
        QCOMPARE(turned.out.split('\n').at(0).section('\t', 1, 1), QString("received"));

        const QString cut = writeFile(temp.path(), "cut.pcapng", capture.data().chopped(5));
        const Run damaged = vexelctl({"decode", cut});
        QCOMPARE(damaged.out.count('\n'), 2);
        EXPECT_FAILURE(damaged, 1, "at offset");
    }

    void commandLineMistakesAreUsageErrors_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("fragment");
        const auto row = [](const char *name, const QStringList &arguments, const char *fragment) {
            QTest::newRow(name) << arguments << QString(fragment);
        };
        row("unknown command", {"frob"}, "unknown command 'frob'");
        row("help for an unknown command", {"help", "frob"}, "unknown command 'frob'");
        row("unknown option", {"pack", "c.txt", "-o", "o.vxs", "--fast"}, "unknown option --fast");
        row("missing argument", {"pack", "-o", "o.vxs"}, "missing CONFIG.txt");
        row("missing option", {"unpack", "p.esf"}, "missing -d DIR");
        row("option without value", {"pack", "c.txt", "-o"}, "-o needs a value");
        row("extra argument", {"sdcard", "c.txt", "x", "--to", "card"}, "unexpected argument 'x'");
        row("option twice", {"unpack", "p.esf", "-d", "a", "--dir=b"}, "--dir given twice");
        row("flag with value", {"convert", "a.png", "--fit=yes"}, "--fit takes no value");
        row("-o for two pictures", {"convert", "a.png", "b.png", "-o", "x"}, "2 pictures");
        row("-o with -d", {"convert", "a.png", "-o", "x", "-d", "y"}, "together");
        row("bad colour", {"convert", "a.png", "--transparent", "#12345"}, "#rrggbb");
        row("unknown language", {"export", "a.vxs", "--lang", "cobol", "-o", "x"},
            "--lang takes c, arduino or python");
        row("export without a language", {"export", "a.vxs", "-o", "x"}, "missing --lang LANGUAGE");
        row("export without a folder", {"export", "a.vxs", "--lang", "c"}, "missing -o DIR");
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
        QVERIFY(bare.exitCode == 2 && bare.out.isEmpty() && bare.err.contains("Commands:"));
        for (const QString ask : {"help", "--help", "-h"}) {
            const Run list = vexelctl({ask});
            QVERIFY(list.exitCode == 0 && list.out == bare.err);
        }
        for (const QString command : {"pack", "unpack", "convert", "sdcard", "info", "export"}) {
            const Run help = vexelctl({command, "--help"});
            QVERIFY(help.exitCode == 0 && help.out.startsWith("Usage: vexelctl " + command + " "));
            QCOMPARE(vexelctl({"help", command}).out, help.out);
        }
    }

    // export writes both files or nothing: a script's mistakes read as a
    // compiler's, a file of the user's under an output name stops it.
    void exportWritesCodeOrNothing()
    {
        const QDir dir(temp.filePath("export"));
        const QString good = writeFile(dir, "good.vxs", "Cls\nping\nexpect pong\n");
        const QString bad = writeFile(dir, "bad.vxs", "Cls\n\n  SetXHY 10\nexpect sd OK\n");
        const QString out = dir.filePath("out/c");
        const Run mistakes = vexelctl({"export", good, bad, "--lang", "c", "-o", out});
        QCOMPARE(mistakes.exitCode, 2);
        QCOMPARE(mistakes.errorLines(),
                 QStringList({bad + ":3:3: SetXHY takes 2 arguments (x y), got 1"}));
        const QString unmet = writeFile(dir, "unmet.vxs", "Cls\n  expect sd OK\n");
        const Run cannot = vexelctl({"export", unmet, "--lang", "c", "-o", out});
        QCOMPARE(cannot.exitCode, 2);
        QVERIFY2(
            cannot.errorLines().value(0).startsWith(unmet + ":2:3: expect sd OK cannot be met"),
            qPrintable(cannot.err));
        EXPECT_FAILURE(vexelctl({"export", dir.filePath("none.vxs"), "--lang", "c", "-o", out}), 2,
                       "cannot read");
        QVERIFY(!QFileInfo::exists(dir.filePath("out")));

        const Run written = vexelctl({"export", good, "--lang", "Python", "-o", out});
        QCOMPARE(written.exitCode, 0);
        QCOMPARE(written.out, out + "/vexel_scripts.py\n");
        QVERIFY(vexelctl({"export", good, "--lang", "python", "-o", out}).exitCode == 0);

        const QByteArray mine = "/* my own header */\n";
        writeFile(QDir(out), "vexel_scripts.h", mine);
        const Run refused = vexelctl({"export", good, "--lang", "arduino", "-o", out});
        EXPECT_FAILURE(refused, 1, "vexel_scripts.h was not written by the export");
        QVERIFY(refused.errorLines().at(0).endsWith("; nothing written"));
        QCOMPARE(readAll(out + "/vexel_scripts.h"), mine);
        QVERIFY(!QFileInfo::exists(out + "/vexel_scripts.cpp"));
    }

    // The tool must run where there is no display and no widget library.
    void linksNoWidgetLibrary()
    {
        QProcess ldd;
        ldd.start("ldd", {VEXELCTL_PATH});
        if (!ldd.waitForFinished() || ldd.exitCode() != 0)
            QSKIP("ldd is not available");
        const QByteArray libraries = ldd.readAllStandardOutput();
        const QByteArray qt = "libQt" + QByteArray::number(QT_VERSION_MAJOR);
        QVERIFY(libraries.contains(qt + "Core") && !libraries.contains(qt + "Widgets"));
    }

    // info names the choice each header code stands for.
    void headerCodesReadBack()
    {
        const auto readsBack = [](auto code, auto choiceOf, auto... choices) {
            return ((choiceOf(code(choices)) == choices) && ...);
        };
        QVERIFY(readsBack(touchCode, touchModeOfCode, TouchMode::VxButton, TouchMode::CuButton,
                          TouchMode::CalibratedXY));
        QVERIFY(readsBack(startScreenCode, startScreenOfCode, StartScreen::Default,
                          StartScreen::Image, StartScreen::Color));
        QVERIFY(readsBack(transmitterCode, transmitterOfCode, Transmitter::Usb, Transmitter::Serial,
                          Transmitter::Spi, Transmitter::I2c));
        QVERIFY(readsBack(usbModeCode, usbModeOfCode, UsbMode::Cdc, UsbMode::Msd));
        QVERIFY(!touchModeOfCode(0) && !startScreenOfCode(3) && !transmitterOfCode(0));
    }

    // The image's bytes are the window's (tst_packwindow); here what only the
    // command line has: its output, --root, and info reading the image back.
    void packThenInfo()
    {
        const QDir root(temp.filePath("pack"));
        const QStringList files = writeAssets(root);
        const QString out = root.filePath("out.vxs");
        const Run run = vexelctl({"pack", root.filePath("Config.txt"), "-o", out});
        QVERIFY2(run.exitCode == 0 && run.err.isEmpty(), qPrintable(run.report()));
        QVERIFY(run.out.startsWith("Wrote ") && run.out.count('\n') == 1);

        // --root names the folder the listed paths start from, as if the
        // Config.txt lay there.
        const QString elsewhere = writeFile(temp.filePath("elsewhere"), "Config.txt",
                                            readAll(root.filePath("Config.txt")));
        const QString again = temp.filePath("again.vxs");
        QCOMPARE(vexelctl({"pack", elsewhere, "--root", root.path(), "-o", again}).exitCode, 0);
        QCOMPARE(readAll(again), readAll(out));
        EXPECT_FAILURE(vexelctl({"pack", elsewhere, "--root", temp.filePath("none"), "-o", again}),
                       1, "no such folder");

        const Run info = vexelctl({"info", out});
        QCOMPARE(info.exitCode, 0);
        QCOMPARE(info.out, // brightness 300 as the module takes it: 44
                 QStringLiteral(
                     "%1\nsize: %2 bytes\nbacklight: Off\nbrightness: 44\ntouch: cuButton\n"
                     "start screen: Color\nstart-screen colour: 63488 (0xf800)\n"
                     "start image number: 0\nstart image X: 0\nstart image Y: 0\n"
                     "baud rate: 9600\ntransmitter: SPI\nextended mode: On\nUSB mode: MSD\n"
                     "fonts: 2\nfont 0: name big.vxf, size 5000, address 0xd0300000, type 0\n"
                     "font 1: name other.ttf, size 333, address 0xd0301388, type 0\nimages: 2\n"
                     "image 0: name logo.vxp, size 30, address 0xd03014d5, type 0\n"
                     "image 1: name pic.bmp, size %3, address 0xd03014f3, type 1\n")
                     .arg(out)
                     .arg(QFileInfo(out).size())
                     .arg(QFileInfo(files.at(3)).size()));
    }

    // Nothing is written, and no input is touched, when pack refuses.
    void packRefusals()
    {
        const QDir root(temp.filePath("refuse"));
        const QStringList files = writeAssets(root);
        const QString config = root.filePath("Config.txt");
        const QByteArray configBytes = readAll(config);
        EXPECT_FAILURE(vexelctl({"pack", config, "-o", root.path()}), 1, "it is a folder");
        EXPECT_FAILURE(vexelctl({"pack", config, "-o", config}), 1, "Config.txt being packed");
        EXPECT_FAILURE(vexelctl({"pack", config, "-o", files.at(2)}), 1, "one of the listed");
        QVERIFY(readAll(config) == configBytes && readAll(files.at(2)) == vxpBytes(4, 3, 3));
        const QString fifo = makeFifo(root, "pipe.vxs");
        EXPECT_FAILURE(vexelctl({"pack", config, "-o", fifo}), 1, "not a plain file");
        QVERIFY(QFileInfo(fifo).exists() && !QFileInfo(fifo).isFile());
        const QString out = root.filePath("out.vxs");
        EXPECT_FAILURE(vexelctl({"pack", makeFifo(root, "Pipe.txt"), "-o", out}), 1,
                       "not a plain file");
        EXPECT_FAILURE(vexelctl({"pack", files.at(0), "-o", out}), 1, "big.vxf");
        // A list of 300 images: the image would lack 45 of them.
        writeFile(root, "full/i.vxp", vxpBytes(1, 1));
        const QString full =
            writeConfig(root.filePath("full"), {}, QVector<QString>(300, "i.vxp").toList());
        EXPECT_FAILURE(vexelctl({"pack", full, "-o", out}), 1, "45 images not added");

        // A line for each unreadable file; --allow-missing makes them warnings
        // (what is packed then is the window's image: tst_packwindow).
        QFile::remove(files.at(1));
        const QString missing =
            writeConfig(root, {"FONTS/other.ttf", "FONTS/big.vxf"}, {"IMAGES/pipe.vxp"});
        makeFifo(root, "IMAGES/pipe.vxp");
        Run run = vexelctl({"pack", missing, "-o", out});
        QStringList lines = run.errorLines();
        QVERIFY2(run.exitCode == 1 && lines.size() == 2 && !QFile::exists(out) &&
                     lines[0].contains(files.at(1)) && lines[1].contains("pipe.vxp") &&
                     run.err.contains("nothing written"),
                 qPrintable(run.report()));
        run = vexelctl({"pack", missing, "-o", out, "--allow-missing"});
        lines = run.errorLines();
        QVERIFY2(run.exitCode == 0 && QFile::exists(out) && lines.size() == 2 &&
                     lines.filter(QRegularExpression("^vexelctl: warning: ")).size() == 2,
                 qPrintable(run.report()));
    }

    // Killed while writing, pack leaves the old image whole under its name.
    void packKilledMidWriteKeepsOldImage()
    {
        const QDir root(temp.filePath("kill"));
        const QDir outDir(root.filePath("out"));
        const QByteArray old = "an old image that must survive";
        const QString out = writeFile(outDir, "OUT.vxs", old);
        bool killedMidWay = false;
        for (int attempt = 1; attempt <= 3 && !killedMidWay; ++attempt) {
            const QByteArray bytes = pattern(attempt * 400 * 1024, char(attempt));
            writeFile(root, "f.vxf", bytes);
            const QStringList fonts = QVector<QString>(listCapacity, "f.vxf").toList();
            QProcess pack;
            pack.start(VEXELCTL_PATH, {"pack", writeConfig(root, fonts, {}), "-o", out});
            QVERIFY(pack.waitForStarted());
            const QDeadlineTimer patience(5000);
            // Killed once the new image holds more than its blocks.
            while (pack.state() == QProcess::Running && !patience.hasExpired() &&
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
            // Nothing else but perhaps a temporary file of the safe writer.
            const QStringList names = outDir.entryList(QDir::Files);
            QVERIFY(names.filter(QRegularExpression("^OUT\\.vxs(\\..+)?$")) == names);
        }
        QVERIFY2(killedMidWay, "pack finished every time before it could be killed");
    }

    void convert()
    {
        const QDir root(temp.filePath("convert"));
        QImage picture(2, 1, QImage::Format_ARGB32);
        picture.setPixel(0, 0, qRgb(255, 0, 0));
        picture.setPixel(1, 0, qRgb(0, 0, 255));
        Run run = vexelctl({"convert", savePicture(root, "red.png", picture)});
        QVERIFY(run.exitCode == 0 && run.out == root.filePath("red.vxp") + "\n");
        QCOMPARE(readAll(root.filePath("red.vxp")), QByteArray::fromHex("020001001ff800f81f00"));
        picture.setPixel(1, 0, qRgba(0, 0, 255, 0));
        const QString clear = savePicture(root, "clear.png", picture);
        run = vexelctl(
            {"convert", clear, "-d", root.filePath("made/here"), "--transparent", "#00ff00"});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(readAll(root.filePath("made/here/clear.vxp")),
                 QByteArray::fromHex("02000100e00700f8e007"));

        QImage tall(10, 400, QImage::Format_RGB32);
        tall.fill(Qt::white);
        const QString picture400 = savePicture(root, "tall.png", tall);
        const QString out = root.filePath("t.vxp");
        EXPECT_FAILURE(vexelctl({"convert", picture400, "-o", out}), 1, "400 pixels tall");
        QVERIFY(!QFile::exists(out));
        run = vexelctl({"convert", picture400, "-o", out, "--fit"});
        QVERIFY(run.exitCode == 0 && run.err.startsWith("vexelctl: warning: tall.png: scaled"));
        QCOMPARE(int(quint8(readAll(out).at(2))), 255);

        // Each bad picture gets its line; the good one is still converted.
        const QString truncated = writeFile(root, "cut.png", readAll(picture400).left(40));
        const QString again = savePicture(root, "sub/tall.png", tall);
        run = vexelctl({"convert", truncated, picture400, makeFifo(root, "p.png"), again, "-d",
                        root.filePath("out"), "--fit"});
        const QStringList lines = run.errorLines();
        QVERIFY(run.exitCode == 1 && run.out == root.filePath("out/tall.vxp") + "\n");
        QVERIFY2(lines.size() == 4 && lines[0].contains("cut.png") && lines[2].contains("p.png") &&
                     lines[3].contains("already written"),
                 qPrintable(run.report()));
    }

    // How the files reach the card is the core's (tst_sdcard); here the lists
    // and settings handed to it, the summary line and the refusals.
    void sdcard()
    {
        const QDir root(temp.filePath("sd"));
        writeAssets(root);
        const QString config = root.filePath("Config.txt");
        // A card that is not mounted must not become a folder on the computer.
        const QDir card(root.filePath("card"));
        EXPECT_FAILURE(vexelctl({"sdcard", config, "--to", card.path()}), 1, "does not exist");
        QVERIFY(!card.exists());

        QDir().mkpath(card.path());
        const QString missing = writeConfig(root.filePath("missing"), {"FONTS/none.vxf"}, {});
        EXPECT_FAILURE(vexelctl({"sdcard", missing, "--to", card.path()}), 1, "none.vxf");
        QVERIFY(card.isEmpty());

        Run run = vexelctl({"sdcard", config, "--to", card.path()});
        QVERIFY2(run.exitCode == 0 && run.err.isEmpty() &&
                     run.out.contains("wrote 4 files and Config.txt"),
                 qPrintable(run.report()));
        const QByteArray text = readAll(card.filePath("Config.txt"));
        QVERIFY2(text.contains("Brightness = 44\n") &&
                     text.contains("[Fonts]\n000 = /FONTS/big.vxf\n001 = /FONTS/other.ttf\n"
                                   "[Images]\n000 = /IMAGES/logo.vxp\n001 = /IMAGES/pic.bmp\n"),
                 text);
        run = vexelctl({"sdcard", config, "--to", card.path()});
        QVERIFY(run.exitCode == 0 &&
                run.out.contains("nothing to write, all 4 files and Config.txt unchanged"));
        // Read from the card, its Config.txt would be replaced by one without its comments.
        EXPECT_FAILURE(vexelctl({"sdcard", card.filePath("Config.txt"), "--to", card.path()}), 1,
                       "the card's own Config.txt");

        const QString readOnly = root.filePath("read-only");
        QDir().mkpath(readOnly);
        if (QProcess::execute("mount", {"-t", "tmpfs", "-o", "ro,size=64k", "tmpfs", readOnly}))
            QSKIP("cannot mount a read-only card here");
        run = vexelctl({"sdcard", config, "--to", readOnly});
        QProcess::execute("umount", {readOnly});
        EXPECT_FAILURE(run, 1, "Cannot write to the card");
    }

    void unpackPackage()
    {
        const QDir root(temp.filePath("esf"));
        const QString package = writeFile(
            root, "p.esf", esfTable({765, 865, 1065}) + pattern(100, 1) + pattern(200, 2));
        const QDir out(root.filePath("new/images"));
        const Run run = vexelctl({"unpack", package, "-d", out.path()});
        QVERIFY(run.exitCode == 0 && run.out.contains("wrote 2 images"));
        QVERIFY(readAll(out.filePath("0.vxp")) == pattern(100, 1) &&
                readAll(out.filePath("1.vxp")) == pattern(200, 2));

        QDir().mkpath(root.filePath("blocked/1.vxp"));
        EXPECT_FAILURE(vexelctl({"unpack", package, "-d", root.filePath("blocked")}), 1,
                       "could not write 1.vxp");
        EXPECT_FAILURE(vexelctl({"unpack", package, "-d", package}), 1, "not a folder");
        // The package is read first, so a wrong one leaves no folder behind.
        EXPECT_FAILURE(vexelctl({"unpack", root.filePath("no.esf"), "-d", root.filePath("x")}), 1,
                       "no.esf");
        QVERIFY(!QFileInfo::exists(root.filePath("x")));
    }

    // A bad file is named on stderr; the others are still shown.
    void infoOfEachKind()
    {
        const QDir root(temp.filePath("kinds"));
        const QByteArray font =
            "\x10" + pattern(33, 5) + " ~" + pattern(4, 5); // 16 high, ' ' to '~'
        const QStringList files{
            writeFile(root, "a.vxf", font),
            writeFile(root, "short.vxs", QByteArray("Vexel9xx").leftJustified(39015, '\0')),
            writeFile(root, "whole.vxp", vxpBytes(2, 1)),
            writeFile(root, "cut.vxp", vxpBytes(4, 4).left(20)),
            writeFile(root, "notes.txt", "x"),
            writeFile(root, "unsigned.vxs", QByteArray(39016, '\0')),
            writeFile(root, "p.esf", esfTable({765, 865, 1000}) + pattern(100))};
        const Run run = vexelctl(QStringList{"info"} + files);
        const QStringList problems = run.errorLines();
        QVERIFY2(run.exitCode == 1 && problems.size() == 3 &&
                     problems[0].contains("39015 bytes, shorter than the 39016") &&
                     problems[1].contains("notes.txt") && problems[2].contains("not a flash"),
                 qPrintable(run.report()));

        const QStringList blocks = run.out.split("\n\n");
        QCOMPARE(blocks.size(), 4);
        QVERIFY(blocks[0].startsWith(files[0] + "\nsize: 40 bytes\nheight: 16\n"
                                                "first character: 32\nlast character: 126 '~'"));
        QVERIFY(blocks[1].endsWith("transparent colour: 63488 (0xf800)\nall pixels: yes"));
        QVERIFY(blocks[2].contains("all pixels: no, "));
        QVERIFY(blocks[3].endsWith("image 0: offset 765, length 100\nslots skipped: 1\n"));
    }
};

QTEST_GUILESS_MAIN(VexelctlTest)
#include "tst_vexelctl.moc"

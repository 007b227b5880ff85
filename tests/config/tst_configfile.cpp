#include "assets/testfiles.h"
#include "commands/colors.h"
#include "config/cardpath.h"
#include "config/configreader.h"
#include "config/configtext.h"

#include <QTemporaryDir>
#include <QtTest>

class ConfigFileTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    int files = 0;

    // A new name each time: the settings library caches files by name.
    ConfigReading read(const QByteArray &text)
    {
        return readConfigFile(writeFile(dir.path(), QString("%1/Config.txt").arg(++files), text));
    }

private slots:
    void writer()
    {
        QCOMPARE(configText(StartupSettings{}, {}, {}),
                 QString("#\n# Vexel900 Config.txt\n#\n[Startup]\nUSBMode = CDC\nBacklight = On\n"
                         "Brightness = 128\nStartScreen = Default\nTouchScreen = CalibratedXY\n"
                         "SerialBaudRate = 115200\nTransmitter = Serial\n[Fonts]\n[Images]\n"));
        StartupSettings s{true,
                          UsbMode::Msd,
                          false,
                          9,
                          StartScreen::Image,
                          5,
                          10,
                          20,
                          Qt::red,
                          TouchMode::CuButton,
                          "9600",
                          Transmitter::I2c};
        QStringList images{"/Mein Ordner/grün %1.vxp", ""};
        for (int i = 2; i < 255; ++i)
            images << QString("/I/%1.vxp").arg(i);
        QString text = configText(s, {"/F/0.vxf", "/F/1.vxf"}, images);
        QVERIFY2(
            text.contains("[Startup]\nExtendedMode = On\nUSBMode = MSD\nBacklight = Off\n"
                          "Brightness = 9\nStartScreen = Image\nImageNumber = 5\nImageX = 10\n"
                          "ImageY = 20\nTouchScreen = cuButton\nSerialBaudRate = 9600\n"
                          "Transmitter = I2C\n[Fonts]\n000 = /F/0.vxf\n001 = /F/1.vxf\n"
                          "[Images]\n000 = /Mein Ordner/grün %1.vxp\n001 = \n002 = /I/2.vxp\n"),
            qPrintable(text));
        QVERIFY(text.endsWith("\n254 = /I/254.vxp\n"));
        s.startScreen = StartScreen::Color; // the fill is red
        text = configText(s, {}, {});
        QVERIFY(text.contains("StartScreen = Color\nSSColor = 63488\nTouch"));
        QVERIFY(!text.contains("ImageX"));
    }

    void pathOnVolume_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("root");
        QTest::addColumn<QString>("onCard");
        const auto row = [](const char *name, const char *path, const char *root, const char *on) {
            QTest::newRow(name) << QString(path) << QString(root) << QString(on);
        };
        row("drive", "E:/FONTS/big.vxf", "E:/", "/FONTS/big.vxf");
        row("mount", "/media/SD CARD/Bild ü.vxp", "/media/SD CARD/", "/Bild ü.vxp");
        row("system", "/home/eng/a.vxf", "/", "/home/eng/a.vxf");
        row("prefix only", "/media/cardx/a", "/media/card", "/media/cardx/a");
        row("unknown root", "D:/x.vxp", "", "/x.vxp");
    }

    void pathOnVolume()
    {
        QFETCH(QString, path);
        QFETCH(QString, root);
        QFETCH(QString, onCard);
        QCOMPARE(::pathOnVolume(path, root), onCard);
        const QString font = writeFile(dir.path(), "FONTS/big.vxf", "x");
        QVERIFY(QFileInfo(font).canonicalFilePath().endsWith(cardPath(font))); // nothing dropped
        QCOMPARE(cardPath(dir.filePath("FONTS/new.vxf")), cardPath(font).replace("big", "new"));
    }

    void readerLooksForWords()
    {
        const StartupUpdate none = startupUpdate({});
        QCOMPARE(none.transmitter, std::optional<Transmitter>(Transmitter::Serial));
        QCOMPARE(none.touch, std::optional<TouchMode>(TouchMode::CalibratedXY));
        QCOMPARE(none.startScreen, std::optional<StartScreen>(StartScreen::Default));
        QCOMPARE(none.usbMode, std::optional<UsbMode>(UsbMode::Cdc));
        QCOMPARE(none.baudRateIndex, std::optional<int>(7));
        QCOMPARE(none.brightness, 80);
        QVERIFY(!none.backlightOn && !none.tickExtendedMode && !none.enableImageFields);

        const StartupUpdate some = startupUpdate({{"backlight", "TurnedOn"},
                                                  {"touchscreen", "cuButton vxButton"},
                                                  {"serialbaudrate", "9600"},
                                                  {"startscreen", "ImageColor"},
                                                  {"imagex", "12"},
                                                  {"imagey", "75535"}}); // & 0xFFFF = 9999
        QVERIFY(some.backlightOn && some.enableImageFields);
        QCOMPARE(some.touch, std::optional<TouchMode>(TouchMode::CuButton)); // the last set wins
        QCOMPARE(some.baudRateIndex, std::optional<int>(0));
        QCOMPARE(some.startScreen, std::optional<StartScreen>(StartScreen::Color));
        QVERIFY(!some.imageNumber && some.imageX == 12 && !some.imageY);
        QVERIFY(!startupUpdate({{"backlight", "on"}}).backlightOn); // values keep their case
    }

    // The colour survives the round trip through its 5-6-5 word, and only a
    // word that fits 16 bits is taken.
    void readerKeepsTheStartScreenColour()
    {
        for (const QColor &colour :
             {QColor(Qt::red), QColor(Qt::white), QColor(0x12, 0x34, 0x56)}) {
            const QString word = QString::number(rgb565(colour));
            const StartupUpdate update = startupUpdate({{"sscolor", word}});
            QVERIFY(update.fill);
            QCOMPARE(rgb565(*update.fill), rgb565(colour));
        }
        QCOMPARE(*startupUpdate({{"sscolor", "63488"}}).fill, QColor(255, 0, 0));
        QVERIFY(!startupUpdate({{"sscolor", "65536"}}).fill);
        QVERIFY(!startupUpdate({{"sscolor", "red"}}).fill);
        QVERIFY(!startupUpdate({}).fill);
    }

    // A Config.txt applied to a page as the window's widgets take it.
    void settingsAfterAnUpdate()
    {
        StartupSettings page;
        page.extendedMode = true;
        page.transmitter = Transmitter::Usb;
        page.imageNumber = 7;
        const StartupSettings after = settingsAfter(
            page, startupUpdate({{"transmitter", "USB"}, // not a word the reader knows
                                 {"startscreen", "Image"},
                                 {"imagex", "1000"},
                                 {"brightness", "300"},
                                 {"serialbaudrate", "12345"},
                                 {"sscolor", "2016"}}));
        QVERIFY(after.extendedMode); // never cleared by a file
        QCOMPARE(after.transmitter, Transmitter::Usb);
        QCOMPARE(after.startScreen, StartScreen::Image);
        QCOMPARE(after.imageNumber, 7);                    // not given: kept
        QCOMPARE(after.imageX, int(StartupLimit::imageX)); // held to the field's range
        QCOMPARE(after.brightness, 44);
        QCOMPARE(after.baudRate, QString("115200")); // an unknown rate keeps the choice
        QCOMPARE(rgb565(after.fill), quint16(2016));
        QVERIFY(!after.backlightOn); // a missing key clears the box
    }

    void cardPathsFromAKnownRoot()
    {
        const QString card = dir.filePath("card root");
        const QString inside = writeFile(card, "FONTS/a.vxf", "a");
        QCOMPARE(cardPathOn(inside, card), QString("/FONTS/a.vxf"));
        QCOMPARE(cardPathOn(card + "/IMAGES/new.vxp", card + "/"), QString("/IMAGES/new.vxp"));
        const QString outside = writeFile(dir.path(), "elsewhere.vxf", "b");
        QCOMPARE(cardPathOn(outside, card), cardPath(outside));
        QCOMPARE(cardPathOn(inside, QString()), cardPath(inside));
        // A folder whose name only starts like the root's is not inside it.
        const QString twin = writeFile(dir.filePath("card rootless"), "x.vxf", "c");
        QCOMPARE(cardPathOn(twin, card), cardPath(twin));
    }

    void readerIsForgiving()
    {
        // An unknown section whose header lacks its "]" is a format error that
        // must not cost the sections after it.
        QByteArray text = "[Net\nHost = x\n[startup]\nBrightness = 10\nbrightness = 20\n[FONTS]\n"
                          "002 = c\n000 = /x\nzz = //d\n000 = /a\n001 = /a,b ä\n[Images]\n";
        for (int i = 0; i < 300; ++i)
            text += QByteArray::number(1000 + i) + " = /" + QByteArray::number(i) + ".vxp\n";
        const ConfigReading reading = read(text);
        QVERIFY2(reading.file, qPrintable(reading.error));
        QCOMPARE(reading.file->text, QString::fromUtf8(text));
        const QString folder = dir.filePath(QString::number(files));
        // Keys in sorted order whatever their names; a repeated key keeps its last value.
        QCOMPARE(reading.file->fontPaths,
                 QStringList({folder + "/a", folder + "/a,b ä", folder + "/c", folder + "//d"}));
        QCOMPARE(reading.file->imagePaths.size(), 300); // the lists turn away the rest
        QCOMPARE(reading.file->startup.brightness, 20);
    }

    void readerRefuses_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("reason");
        QTest::newRow("empty") << QByteArray() << "has no [Startup]";
        QTest::newRow("binary") << QByteArray("[Fonts]\n\0\x01", 10) << "is not a text file";
        QTest::newRow("huge") << QByteArray(2 << 20, 'x') << "too large";
    }

    void readerRefuses()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, reason);
        const ConfigReading reading = read(content);
        QVERIFY2(!reading.file && reading.error.contains(reason), qPrintable(reading.error));
        QVERIFY(readConfigFile(dir.filePath("none.txt")).error.contains("no such file"));
        QVERIFY(readConfigFile(dir.path()).error.contains("not a plain file"));
    }
};

QTEST_GUILESS_MAIN(ConfigFileTest)
#include "tst_configfile.moc"

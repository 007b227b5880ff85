#include "config/configreader.h"
#include "config/configtext.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class ConfigReaderTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    int fileNumber = 0;

    // Every test gets its own file: the settings library caches files by name.
    QString writeFile(const QByteArray &content, const QString &folder = QString())
    {
        const QString base = folder.isEmpty() ? dir.path() : folder;
        const QString path = QStringLiteral("%1/Config%2.txt").arg(base).arg(++fileNumber);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    ConfigFile read(const QByteArray &content)
    {
        const ConfigReading reading = readConfigFile(writeFile(content));
        if (!reading.file)
            qFatal("refused: %s", qPrintable(reading.error));
        return *reading.file;
    }

    static StartupUpdate update(std::initializer_list<std::pair<const char *, const char *>> keys)
    {
        QHash<QString, QString> values;
        for (const auto &key : keys)
            values.insert(QString::fromLatin1(key.first).toLower(), QString::fromUtf8(key.second));
        return startupUpdate(values);
    }

private slots:
    void missingKeysTakeTheReaderDefaults()
    {
        const StartupUpdate defaults = update({});
        QCOMPARE(defaults.transmitter, std::optional<Transmitter>(Transmitter::Serial));
        QVERIFY(!defaults.tickExtendedMode);
        QCOMPARE(defaults.touch, std::optional<TouchMode>(TouchMode::CalibratedXY));
        QVERIFY(!defaults.backlightOn); // "None" holds no "On"
        QCOMPARE(defaults.brightness, 80);
        QCOMPARE(defaults.startScreen, std::optional<StartScreen>(StartScreen::Default));
        QVERIFY(!defaults.enableImageFields);
        QCOMPARE(defaults.usbMode, std::optional<UsbMode>(UsbMode::Cdc));
        QCOMPARE(defaults.baudRateIndex, std::optional<int>(7));
    }

    void valuesAreSearchedForTheirWords()
    {
        QCOMPARE(update({{"Backlight", "Off"}}).backlightOn, false);
        QCOMPARE(update({{"Backlight", "On"}}).backlightOn, true);
        QCOMPARE(update({{"Backlight", "TurnedOn"}}).backlightOn, true);
        QCOMPARE(update({{"Backlight", "on"}}).backlightOn, false); // case counts in values
        QCOMPARE(update({{"ExtendedMode", "On"}}).tickExtendedMode, true);
        QCOMPARE(update({{"USBMode", "MSD"}}).usbMode, std::optional<UsbMode>(UsbMode::Msd));
        QCOMPARE(update({{"USBMode", "usb"}}).usbMode, std::nullopt);
        QCOMPARE(update({{"TouchScreen", "cuButton"}}).touch,
                 std::optional<TouchMode>(TouchMode::CuButton));
        // Several words: the last button the page would set wins.
        QCOMPARE(update({{"TouchScreen", "cuButton vxButton CalibratedXY"}}).touch,
                 std::optional<TouchMode>(TouchMode::CuButton));
        QCOMPARE(update({{"Transmitter", "SPI"}}).transmitter,
                 std::optional<Transmitter>(Transmitter::Spi));
        QCOMPARE(update({{"Transmitter", "I2C"}}).transmitter,
                 std::optional<Transmitter>(Transmitter::I2c));
        QCOMPARE(update({{"Transmitter", "USB"}}).transmitter, std::nullopt);
    }

    void numbers()
    {
        QCOMPARE(update({{"Brightness", "300"}}).brightness, 44);
        QCOMPARE(update({{"Brightness", "bright"}}).brightness, 0);
        QCOMPARE(update({{"Brightness", "-1"}}).brightness, 0);
        QCOMPARE(update({{"SerialBaudRate", "9600"}}).baudRateIndex, std::optional<int>(0));
        QCOMPARE(update({{"SerialBaudRate", "921600"}}).baudRateIndex, std::optional<int>(10));
        QCOMPARE(update({{"SerialBaudRate", "12345"}}).baudRateIndex, std::nullopt);
        QCOMPARE(update({{"SerialBaudRate", "fast"}}).baudRateIndex, std::nullopt);
    }

    void imageStartScreen()
    {
        const StartupUpdate image = update({{"StartScreen", "Image"},
                                            {"ImageX", "12"},
                                            {"ImageY", "75535"}}); // 75535 mod 65536 = 9999
        QCOMPARE(image.startScreen, std::optional<StartScreen>(StartScreen::Image));
        QVERIFY(image.enableImageFields);
        QCOMPARE(image.imageNumber, std::nullopt);
        QCOMPARE(image.imageX, std::optional<int>(12));
        QCOMPARE(image.imageY, std::nullopt);

        const StartupUpdate both = update({{"StartScreen", "ImageColor"}, {"ImageNumber", "4"}});
        QCOMPARE(both.startScreen, std::optional<StartScreen>(StartScreen::Color));
        QVERIFY(both.enableImageFields);
        QCOMPARE(both.imageNumber, std::optional<int>(4));

        const StartupUpdate none = update({{"StartScreen", "Splash"}});
        QCOMPARE(none.startScreen, std::nullopt);
        QVERIFY(!none.enableImageFields);
    }

    void writerTextReadsBack()
    {
        StartupSettings settings;
        settings.extendedMode = true;
        settings.usbMode = UsbMode::Msd;
        settings.backlightOn = false;
        settings.brightness = 201;
        settings.startScreen = StartScreen::Image;
        settings.imageNumber = 7;
        settings.imageX = 300;
        settings.imageY = 200;
        settings.touch = TouchMode::VxButton;
        settings.baudRate = QStringLiteral("230400");
        settings.transmitter = Transmitter::Spi;
        const QString text =
            configText(settings, {"/FONTS/a.vxf", "/FONTS/b b.vxf"}, {"/IMAGES/ü.vxp"});
        const ConfigFile config = read(text.toUtf8());

        QCOMPARE(config.text, text);
        const StartupUpdate &got = config.startup;
        QVERIFY(got.tickExtendedMode);
        QCOMPARE(got.usbMode, std::optional<UsbMode>(UsbMode::Msd));
        QVERIFY(!got.backlightOn);
        QCOMPARE(got.brightness, 201);
        QCOMPARE(got.startScreen, std::optional<StartScreen>(StartScreen::Image));
        QCOMPARE(got.imageNumber, std::optional<int>(7));
        QCOMPARE(got.imageX, std::optional<int>(300));
        QCOMPARE(got.imageY, std::optional<int>(200));
        QCOMPARE(got.touch, std::optional<TouchMode>(TouchMode::VxButton));
        QCOMPARE(got.baudRateIndex, std::optional<int>(8));
        QCOMPARE(got.transmitter, std::optional<Transmitter>(Transmitter::Spi));
        QCOMPARE(config.fontPaths,
                 QStringList({dir.path() + "/FONTS/a.vxf", dir.path() + "/FONTS/b b.vxf"}));
        QCOMPARE(config.imagePaths, QStringList({dir.path() + "/IMAGES/ü.vxp"}));
    }

    void listEntriesKeepKeyOrderWhateverTheirNames()
    {
        const ConfigFile config = read("[Fonts]\n002 = c.vxf\n000 = /a.vxf\nzz = /d.vxf\n"
                                       "001 = //b.vxf\n[Images]\n");
        QCOMPARE(config.fontPaths, QStringList({dir.path() + "/a.vxf", dir.path() + "//b.vxf",
                                                dir.path() + "/c.vxf", dir.path() + "/d.vxf"}));
        QVERIFY(config.imagePaths.isEmpty());
    }

    void sectionsAndKeysIgnoreCase()
    {
        const ConfigFile config = read("[startup]\ntouchscreen = cuButton\nBRIGHTNESS = 9\n"
                                       "[FONTS]\n000 = /x.vxf\n");
        QCOMPARE(config.startup.touch, std::optional<TouchMode>(TouchMode::CuButton));
        QCOMPARE(config.startup.brightness, 9);
        QCOMPARE(config.fontPaths, QStringList({dir.path() + "/x.vxf"}));
    }

    void unknownSectionsAndDuplicateKeys()
    {
        const ConfigFile config =
            read("[Network]\nHost = module\n[Startup]\nBrightness = 10\nColour = teal\n"
                 "Brightness = 20\n[Images]\n000 = /a.vxp\n000 = /b.vxp\n");
        QCOMPARE(config.startup.brightness, 20); // the later line wins
        QCOMPARE(config.imagePaths, QStringList({dir.path() + "/b.vxp"}));
    }

    void threeHundredEntriesAreAllRead()
    {
        // The lists turn away what they cannot hold; the reader reports everything.
        QByteArray content = "[Images]\n";
        for (int i = 0; i < 300; ++i)
            content += QByteArray::number(1000 + i) + " = /" + QByteArray::number(i) + ".vxp\n";
        const ConfigFile config = read(content);
        QCOMPARE(config.imagePaths.size(), 300);
        QCOMPARE(config.imagePaths.last(), dir.path() + "/299.vxp");
    }

    void awkwardPaths()
    {
        const ConfigFile config = read(
            "[Fonts]\n000 = /My Fonts/Straße 12.vxf\n001 = /a,b.vxf\n002 = /\xe6\x97\xa5.vxf\n");
        QCOMPARE(config.fontPaths,
                 QStringList({dir.path() + "/My Fonts/Straße 12.vxf", dir.path() + "/a,b.vxf",
                              dir.path() + QStringLiteral("/\u65e5.vxf")}));
    }

    void refusedFiles_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("reason");
        QTest::newRow("empty") << QByteArray() << "has no [Startup]";
        QTest::newRow("plain text") << QByteArray("hello\nworld\n") << "has no [Startup]";
        QByteArray garbage(4096, '\0');
        for (int i = 0; i < garbage.size(); ++i)
            garbage[i] = char((i * 7919 + 13) % 256);
        QTest::newRow("binary") << garbage << "is not a text file";
        QTest::newRow("huge") << QByteArray(2 * 1024 * 1024, 'x') << "too large";
    }

    void refusedFiles()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, reason);
        const ConfigReading reading = readConfigFile(writeFile(content));
        QVERIFY(!reading.file);
        QVERIFY2(reading.error.contains(reason), qPrintable(reading.error));
    }

    void unreadableFileIsRefused()
    {
        const ConfigReading reading = readConfigFile(dir.filePath("nothing here.txt"));
        QVERIFY(!reading.file);
        QVERIFY(reading.error.startsWith("Cannot read"));
        QVERIFY(!readConfigFile(dir.path()).file); // a folder is no file
    }

    void listEntryPath()
    {
        QCOMPARE(::listEntryPath("D:/card", "/FONTS/big.vxf"), QString("D:/card/FONTS/big.vxf"));
        QCOMPARE(::listEntryPath("/card", "big.vxf"), QString("/card/big.vxf"));
        QCOMPARE(::listEntryPath("/card", ""), QString("/card/"));
    }
};

QTEST_GUILESS_MAIN(ConfigReaderTest)
#include "tst_configreader.moc"

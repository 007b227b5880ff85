#include "config/cardpath.h"
#include "config/configtext.h"

#include <QDir>
#include <QFile>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QtTest>

class ConfigTextTest : public QObject
{
    Q_OBJECT

private:
    static QStringList startupLines(const StartupSettings &settings)
    {
        const QStringList lines = configText(settings, {}, {}).split(QLatin1Char('\n'));
        const int startup = lines.indexOf(QStringLiteral("[Startup]"));
        const int fonts = lines.indexOf(QStringLiteral("[Fonts]"));
        return lines.mid(startup + 1, fonts - startup - 1);
    }

private slots:
    void startStateIsThirteenLines()
    {
        const QString expected =
            QStringLiteral("#\n# Vexel900 Config.txt\n#\n[Startup]\n"
                           "USBMode = CDC\nBacklight = On\nBrightness = 128\n"
                           "StartScreen = Default\nTouchScreen = CalibratedXY\n"
                           "SerialBaudRate = 115200\nTransmitter = Serial\n"
                           "[Fonts]\n[Images]\n");
        QCOMPARE(configText(StartupSettings{}, {}, {}), expected);
    }

    void everyChoiceHasItsWord()
    {
        StartupSettings settings;
        settings.extendedMode = true;
        settings.usbMode = UsbMode::Msd;
        settings.backlightOn = false;
        settings.brightness = 0;
        settings.touch = TouchMode::VxButton;
        settings.baudRate = QStringLiteral("9600");
        settings.transmitter = Transmitter::Spi;
        QCOMPARE(startupLines(settings),
                 QStringList({"ExtendedMode = On", "USBMode = MSD", "Backlight = Off",
                              "Brightness = 0", "StartScreen = Default", "TouchScreen = vxButton",
                              "SerialBaudRate = 9600", "Transmitter = SPI"}));

        settings.touch = TouchMode::CuButton;
        settings.transmitter = Transmitter::I2c;
        QVERIFY(startupLines(settings).contains("TouchScreen = cuButton"));
        QVERIFY(startupLines(settings).contains("Transmitter = I2C"));
        settings.transmitter = Transmitter::Usb;
        QCOMPARE(startupLines(settings).last(), QStringLiteral("Transmitter = USB"));
    }

    void imageStartScreenListsItsPlace()
    {
        StartupSettings settings;
        settings.startScreen = StartScreen::Image;
        settings.imageNumber = 5;
        settings.imageX = 10;
        settings.imageY = 20;
        settings.fill = Qt::red; // not written for an image screen
        const QStringList lines = startupLines(settings);
        const int screen = lines.indexOf("StartScreen = Image");
        QVERIFY(screen > 0);
        QCOMPARE(lines.mid(screen, 5),
                 QStringList({"StartScreen = Image", "ImageNumber = 5", "ImageX = 10",
                              "ImageY = 20", "TouchScreen = CalibratedXY"}));
    }

    void colourStartScreen_data()
    {
        QTest::addColumn<QColor>("fill");
        QTest::addColumn<QString>("line");
        QTest::newRow("never chosen") << QColor() << "SSColor = 0";
        QTest::newRow("red") << QColor(255, 0, 0) << "SSColor = 63488";
        QTest::newRow("white") << QColor(255, 255, 255) << "SSColor = 65535";
        QTest::newRow("green") << QColor(0, 255, 0) << "SSColor = 2016";
        QTest::newRow("blue") << QColor(0, 0, 255) << "SSColor = 31";
    }

    void colourStartScreen()
    {
        QFETCH(QColor, fill);
        QFETCH(QString, line);
        StartupSettings settings;
        settings.startScreen = StartScreen::Color;
        settings.fill = fill;
        settings.imageNumber = 3; // not written for a colour screen
        const QStringList lines = startupLines(settings);
        const int screen = lines.indexOf("StartScreen = Color");
        QVERIFY(screen > 0);
        QCOMPARE(lines.at(screen + 1), line);
        QVERIFY(!configText(settings, {}, {}).contains("ImageNumber"));
    }

    void defaultScreenDropsTheDetailLines()
    {
        StartupSettings settings;
        settings.imageNumber = 5;
        settings.fill = Qt::red;
        const QString text = configText(settings, {}, {});
        QVERIFY(!text.contains("ImageNumber"));
        QVERIFY(!text.contains("SSColor"));
    }

    void listLinesAreNumberedWithThreeDigits()
    {
        QStringList fonts;
        for (int i = 0; i < 12; ++i)
            fonts.append(QStringLiteral("/FONTS/f%1.vxf").arg(i));
        QStringList images;
        for (int i = 0; i < 255; ++i)
            images.append(QStringLiteral("/IMG/%1.vxp").arg(i));
        const QStringList lines = configText(StartupSettings{}, fonts, images).split('\n');
        const int fontSection = lines.indexOf("[Fonts]");
        QCOMPARE(lines.at(fontSection + 1), QStringLiteral("000 = /FONTS/f0.vxf"));
        QCOMPARE(lines.at(fontSection + 12), QStringLiteral("011 = /FONTS/f11.vxf"));
        QCOMPARE(lines.at(fontSection + 13), QStringLiteral("[Images]"));
        QCOMPARE(lines.at(fontSection + 14), QStringLiteral("000 = /IMG/0.vxp"));
        QCOMPARE(lines.at(lines.size() - 2), QStringLiteral("254 = /IMG/254.vxp"));
        QCOMPARE(lines.last(), QString()); // the text ends with a line feed
    }

    void pathsAreWrittenAsTheyStand()
    {
        const QString text = configText(StartupSettings{}, {"/My Fonts/größe %1.vxf", ""}, {});
        QVERIFY(text.contains("000 = /My Fonts/größe %1.vxf\n001 = \n[Images]\n"));
        QVERIFY(!text.contains('\r'));
    }

    void pathOnVolume_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("root");
        QTest::addColumn<QString>("expected");
        QTest::newRow("drive") << "E:/FONTS/big.vxf"
                               << "E:/"
                               << "/FONTS/big.vxf";
        QTest::newRow("mounted card") << "/media/card/FONTS/a.vxf"
                                      << "/media/card"
                                      << "/FONTS/a.vxf";
        QTest::newRow("root with slash") << "/media/card/a.vxf"
                                         << "/media/card/"
                                         << "/a.vxf";
        QTest::newRow("system volume") << "/home/eng/FONTS/a.vxf"
                                       << "/"
                                       << "/home/eng/FONTS/a.vxf";
        QTest::newRow("similar prefix") << "/media/cardreader/a.vxf"
                                        << "/media/card"
                                        << "/media/cardreader/a.vxf";
        QTest::newRow("no root known") << "D:/x.vxp"
                                       << ""
                                       << "/x.vxp";
        QTest::newRow("spaces and accents") << "/media/SD CARD/Bilder/grün.vxp"
                                            << "/media/SD CARD"
                                            << "/Bilder/grün.vxp";
    }

    void pathOnVolume()
    {
        QFETCH(QString, path);
        QFETCH(QString, root);
        QFETCH(QString, expected);
        QCOMPARE(::pathOnVolume(path, root), expected);
    }

    void cardPathKeepsTheWholePathBelowTheRoot()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QVERIFY(QDir(dir.path()).mkpath("FONTS"));
        const QString font = dir.filePath("FONTS/big.vxf");
        QFile file(font);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();

        const QString onCard = cardPath(font);
        QVERIFY(onCard.startsWith('/'));
        QVERIFY(onCard.endsWith("/FONTS/big.vxf"));
        // The folder below the volume root survives whole: no characters dropped.
        const QString canonical = QFileInfo(font).canonicalFilePath();
        QVERIFY(canonical.endsWith(onCard));
        QCOMPARE(cardPath(dir.filePath("FONTS/not yet there.vxf")),
                 onCard.chopped(7) + QStringLiteral("not yet there.vxf"));
        QCOMPARE(cardPath(QString()), QString());
    }
};

QTEST_GUILESS_MAIN(ConfigTextTest)
#include "tst_configtext.moc"

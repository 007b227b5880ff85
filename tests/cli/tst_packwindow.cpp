// The same Config.txt packed by the window and by vexelctl gives the same
// flash image, byte for byte: both read it with one reader into one kind of
// list, but the window goes through its widgets on the way.
#include "assets/testfiles.h"
#include "assets/windowdriver.h"

#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class PackWindowTest : public QObject
{
    Q_OBJECT

    QTemporaryDir card;
    QTemporaryDir work; // the window's working directory, for its diagnostic bitmaps
    QString previousDir;

private slots:
    void initTestCase()
    {
        writeFile(card.path(), "FONTS/big.vxf", pattern(5000, 1));
        writeFile(card.path(), "FONTS/other.ttf", pattern(77, 2));
        writeFile(card.path(), "IMAGES/logo.vxp", QByteArray("\4\0\2\0\0\0", 6) + pattern(16, 3));
        QVERIFY(QImage(3, 2, QImage::Format_RGB32).save(card.path() + "/IMAGES/photo.bmp"));
        previousDir = QDir::currentPath();
        QVERIFY(QDir::setCurrent(work.path()));
    }
    void cleanupTestCase() { QDir::setCurrent(previousDir); }

    void sameImage_data()
    {
        QTest::addColumn<QByteArray>("startup");
        const QByteArray lists = "[Fonts]\n000 = /FONTS/big.vxf\n001 = /FONTS/other.ttf\n"
                                 "002 = /FONTS/missing.vxf\n[Images]\n000 = /IMAGES/photo.bmp\n"
                                 "001 = /IMAGES/logo.vxp\n";
        QTest::newRow("start state") << lists;
        QTest::newRow("colour") << "[Startup]\nExtendedMode = On\nUSBMode = MSD\nBacklight = Off\n"
                                   "Brightness = 300\nStartScreen = Color\nSSColor = 4522\n"
                                   "TouchScreen = cuButton\nSerialBaudRate = 9600\n"
                                   "Transmitter = I2C\n" +
                                       lists;
        QTest::newRow("image out of range")
            << "[Startup]\nStartScreen = Image\nImageNumber = 300\nImageX = 999\nImageY = 5\n"
               "SerialBaudRate = 12345\nTransmitter = USB\nTouchScreen = vxButton\n" +
                   lists;
    }

    void sameImage()
    {
        QFETCH(QByteArray, startup);
        const QString config = writeFile(card.path(), "Config.txt", startup);
        WindowDriver bench;
        chooseFile(config);
        bench.click("openConfigFile");
        const QString row = QTest::currentDataTag();
        const QString fromWindow = work.filePath(row + " window.vxs");
        chooseFile(fromWindow);
        bench.click("generateFlashImage");

        const QString fromTool = work.filePath(row + " tool.vxs");
        QProcess tool;
        tool.start(VEXELCTL_PATH, {"pack", config, "-o", fromTool, "--allow-missing"});
        QVERIFY(tool.waitForFinished(30000));
        QCOMPARE(tool.exitCode(), 0);
        QVERIFY(tool.readAllStandardError().contains("missing.vxf"));
        QVERIFY(readAll(fromTool).size() > 39016);
        QCOMPARE(readAll(fromTool), readAll(fromWindow));
    }
};

QTEST_MAIN(PackWindowTest)
#include "tst_packwindow.moc"

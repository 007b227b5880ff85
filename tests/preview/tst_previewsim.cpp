// The preview against the simulator itself: the same bytes, sent over a
// real pseudo-terminal to the built vexelsim, must leave the very pixels
// the preview shows; so must a flash image's start screen.
#include "previewfiles.h"
#include "simulatorsnapshot.h"

#include "preview/rendercontext.h"
#include "preview/screenrender.h"
#include "preview/startscreen.h"

#include <QBuffer>
#include <QImage>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QtTest>

using preview::RenderContext;
using preview::ScreenRender;

namespace {

// What the runner would send for the run the render took, statement by statement.
QByteArray bytesOfRun(const ScreenRender &render, bool extended = false)
{
    QByteArray bytes;
    for (int step = 0; step < render.stepCount(); ++step) {
        const script::Statement &statement = render.statement(render.statementOfStep(step));
        if (statement.kind != script::Statement::Kind::SendFile)
            bytes += script::statementWrites(statement, extended).join();
        extended = script::modeAfter(statement, extended);
    }
    return bytes;
}

} // namespace

class TestPreviewSim : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    std::unique_ptr<AssetLists> lists;
    QString card;

    QString flashFile(const StartupSettings &settings, const QString &name)
    {
        const QString path = dir.filePath(name);
        if (!writeListsFlash(path, *lists, settings))
            qFatal("cannot write a flash image");
        return path;
    }

    // The simulator's snapshot after `bytes` and a ping it has answered.
    QImage simulatorScreen(const QString &flash, const QByteArray &bytes)
    {
        QTemporaryDir run;
        std::unique_ptr<QProcess> simulator =
            launchSimulator(run.path(), {"--card", card, "--lock-card", "--flash", flash});
        if (!simulator->waitForStarted(5000))
            return {};
        QSerialPort port;
        port.setPortName(nextDevice(*simulator));
        QImage snapshot;
        if (port.open(QIODevice::ReadWrite))
            snapshot = snapshotAfterPing(*simulator, port, run.filePath("snapshot.png"), bytes);
        quitSimulator(*simulator);
        return snapshot;
    }

private slots:
    void initTestCase()
    {
        QImage bitmap(6, 3, QImage::Format_RGB32);
        bitmap.fill(qRgb(255, 128, 0));
        bitmap.setPixel(0, 0, qRgb(0, 0, 255));
        QBuffer bmp;
        bmp.open(QIODevice::WriteOnly);
        bitmap.save(&bmp, "BMP");
        const QString green = writeFile(dir.path(), "green.vxp", vxpImage(12, 9, 0x07E0));
        const QString blue = writeFile(dir.path(), "blue.vxp", vxpImage(30, 20, 0x001F));
        const QString orange = writeFile(dir.path(), "orange.bmp", bmp.data());
        lists = listsOf({writeFile(dir.path(), "a.vxf", pattern(64))}, {green, blue, orange});
        card = dir.filePath("card");
        writeFile(card, "PIC.VXP", vxpImage(7, 5, 0xF81F, 0x0000));
        writeFile(card, "IMAGES/ORANGE.BMP", bmp.data());
    }

    void everyDrawingCommand_data()
    {
        QTest::addColumn<QString>("script");
        const auto row = [](const char *name, const char *text) {
            QTest::newRow(name) << QString(text);
        };
        row("Cls", "SetColorH #204080\nCls");
        row("printString and select_font",
            "SetXHY 3 4\nprintString \"Hello, \\x01world\"\nselect_font 2\nSetXHY 0 100\n"
            "printString \"Big\"\nselect_font 7\nprintString \"!\"");
        row("PRINT_STRING_BG", "SET_BG_COLORH #ff0000\nSetColorH #ffff00\nSetXHY 310 230\n"
                               "PRINT_STRING_BG \"edge\"\nSetXHY 1 1\nPRINT_STRING_BG \"x\"");
        row("LINE_TO_XHY", "SetXHY 10 10\nLINE_TO_XHY 300 200\nLINE_TO_XHY 0 239\n"
                           "LINE_TO_XHY 400 5\nSetXHY 65535 255\nLINE_TO_XHY 160 120");
        row("arcH", "SetXHY 160 120\narcH 50 0 90\narcH 60 300 30\narcH 70 0 360\n"
                    "SetXHY 0 0\narcH 30 45 135\narcH 200 1000 1439");
        row("boxH", "SetXHY 10 10\nboxH 100 50\nSetXHY 300 200\nboxH 5 5\nboxH 65535 255");
        row("boxHFill", "SetColorH #00ff00\nSetXHY 20 30\nboxHFill 40 60\nSetXHY 310 230\n"
                        "boxHFill 400 250\nboxHFill 0 0");
        row("circleRH", "SetXHY 160 120\ncircleRH 0\ncircleRH 1\ncircleRH 100\ncircleRH 500");
        row("H_LINEH and V_LINE", "SetXHY 50 60\nH_LINEH 200\nH_LINEH 0\nH_LINEH 65535\n"
                                  "V_LINE 0\nV_LINE 255\nSetXHY 330 10\nV_LINE 20");
        row("sdPutIcon", "SetXHY 5 5\nsdPutIcon \"PIC.VXP\"\nSetXHY 316 237\n"
                         "sdPutIcon \"PIC.VXP\"\nSetXHY 50 50\nsdPutIcon \"IMAGES/ORANGE.BMP\"\n"
                         "sdPutIcon \"NONE.VXP\"");
        row("PUT_SF_ICON", "SetXHY 100 100\nPUT_SF_ICON 0\nSetXHY 300 230\nPUT_SF_ICON 1\n"
                           "SetXHY 0 0\nPUT_SF_ICON 2\nPUT_SF_ICON 9");
        row("buttonDef and buttonState",
            "SET_BG_COLORH #101010\nbuttonDef 1 1 0 1 2 10 10 40 30\nbuttonDef 2 1 7 8 9 60 10 40 "
            "30\n"
            "buttonDef 3 3 7 8 9 110 10 40 30\nbuttonDef 4 4 7 8 9 160 10 40 30\n"
            "buttonState 2 2\nbuttonState 1 3\nbuttonState 3 0\nbuttonDef 5 1 7 7 7 300 220 40 40");
        row("layers and the colour key",
            "SetColorH #ff0000\nCls\nsetLayer 1\nSetColorH #0000ff\nCls\nSetColorH #ffffff\n"
            "SetXHY 10 10\nboxHFill 100 100\nsetColorKey #0000ff\nlayerVisibility 1 1\n"
            "setLayer 0\nSetColorH #00ff00\nSetXHY 50 50\nboxHFill 200 200\n");
        row("layer 0 hidden", "SetColorH #ff0000\nCls\nlayerVisibility 0 0\nlayerVisibility 1 1");
        row("orientations",
            "setEast\nSetXHY 10 20\nprintString \"east\"\nboxH 200 250\nsetSouth\nSetXHY 10 20\n"
            "printString \"south\"\nsetWest\nSetXHY 10 20\nprintString \"west\"\nH_LINEH 400\n"
            "setNorth\nSetXHY 10 20\nprintString \"north\"");
        row("backlight", "SetColorH #ffffff\nCls\nBacklightLevel 100\nLightOFf\nLightOn");
        row("backlight off", "SetColorH #ffffff\nCls\nLightOFf");
        row("extended mode", "setWest\nsetExtendedMode\nSetXHY 5 0\nLINE_TO_XHY 5 310\n"
                             "setStandardMode\nLINE_TO_XHY 100 100");
        row("send", "send 84 e0 07\nsend 21\nsend 85 00 0a 0a \"\"\nsend a2 00 64 64 99");
        row("a long drawing", "");
    }

    void everyDrawingCommand()
    {
        QFETCH(QString, script);
        if (script.isEmpty())
            script = randomDrawing(300, 3);
        RenderContext context;
        context.setLists(*lists);
        context.setCardFolder(card);
        ScreenRender render(context);
        render.setText(script);
        QVERIFY(render.errors().isEmpty());
        const QImage expected =
            simulatorScreen(flashFile(preview::simulatorStart(), "plain.vxs"), bytesOfRun(render));
        QVERIFY2(!expected.isNull(), "no snapshot from the simulator");
        QCOMPARE(render.screen().shown().convertToFormat(QImage::Format_RGB32), expected);
    }

    void everyStartScreen_data()
    {
        QTest::addColumn<int>("screen");
        QTest::addColumn<int>("brightness");
        QTest::addColumn<int>("image");
        QTest::newRow("default") << int(StartScreen::Default) << 255 << 0;
        QTest::newRow("default dimmed") << int(StartScreen::Default) << 128 << 0;
        QTest::newRow("colour") << int(StartScreen::Color) << 255 << 0;
        QTest::newRow("colour dimmed") << int(StartScreen::Color) << 40 << 0;
        QTest::newRow("image") << int(StartScreen::Image) << 255 << 1;
        QTest::newRow("bitmap image") << int(StartScreen::Image) << 200 << 2;
        QTest::newRow("image not listed") << int(StartScreen::Image) << 255 << 7;
    }

    void everyStartScreen()
    {
        QFETCH(int, screen);
        QFETCH(int, brightness);
        QFETCH(int, image);
        StartupSettings settings; // the page as the window opens it
        settings.startScreen = StartScreen(screen);
        settings.brightness = brightness;
        settings.fill = QColor(200, 60, 30);
        settings.imageNumber = image;
        settings.imageX = 300;
        settings.imageY = 230;
        const QImage expected = simulatorScreen(flashFile(settings, "start.vxs"), QByteArray());
        QVERIFY2(!expected.isNull(), "no snapshot from the simulator");
        const QImage shown = preview::startScreen(settings, *lists, card);
        QCOMPARE(shown.convertToFormat(QImage::Format_RGB32), expected);
    }
};

QTEST_GUILESS_MAIN(TestPreviewSim)
#include "tst_previewsim.moc"

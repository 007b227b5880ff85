// A script rendered through the simulator's interpreter: who drew each
// pixel, the screen after each step, edits, errors, buttons, images.
#include "previewfiles.h"

#include "preview/rendercontext.h"
#include "preview/screenrender.h"
#include "preview/startscreen.h"

#include "sim/module.h"

#include <QTemporaryDir>
#include <QtTest>

using preview::Layer;
using preview::RenderContext;
using preview::ScreenRender;

namespace {

const QRgb Black = qRgb(0, 0, 0);
const QRgb Red = qRgb(255, 0, 0);
const QRgb Green = qRgb(0, 255, 0);
const QRgb Blue = qRgb(0, 0, 255);

int on(const ScreenRender &render, int line)
{
    const int statement = render.statementAtLine(line);
    if (statement < 0)
        qFatal("no statement on line %d", line);
    return statement;
}

// Everything a page shows of a render, to compare two renders whole.
void compareRenders(const ScreenRender &edited, const ScreenRender &fresh)
{
    QCOMPARE(edited.stepCount(), fresh.stepCount());
    QCOMPARE(edited.screen().shown(), fresh.screen().shown());
    for (Layer layer : {Layer::Composed, Layer::Zero, Layer::One})
        QCOMPARE(edited.screen().writerMap(layer), fresh.screen().writerMap(layer));
    QCOMPARE(edited.notes().size(), fresh.notes().size());
    for (int step : {0, fresh.stepCount() / 3, fresh.stepCount() - 1}) {
        QCOMPARE(edited.screenAfter(step).shown(), fresh.screenAfter(step).shown());
        QCOMPARE(edited.statementOfStep(step), fresh.statementOfStep(step));
    }
}

} // namespace

class TestScreenRender : public QObject
{
    Q_OBJECT

private slots:
    void pixelsNameTheirLastWriter()
    {
        ScreenRender render;
        render.setText("SetColorH #000000\n"
                       "Cls\n"
                       "SetColorH #ff0000\n"
                       "SetXHY 10 10\n"
                       "boxHFill 50 50\n" // line 5
                       "SetColorH #00ff00\n"
                       "SetXHY 30 30\n"
                       "boxHFill 70 70\n"); // line 8, over part of the first
        const preview::RenderedScreen screen = render.screen();
        QCOMPARE(screen.shown().pixel(20, 20), Red);
        QCOMPARE(screen.writer({20, 20}), on(render, 5));
        QCOMPARE(screen.writer({40, 40}), on(render, 8)); // drawn over
        QCOMPARE(screen.shown().pixel(40, 40), Green);
        QCOMPARE(screen.writer({100, 100}), on(render, 2)); // the Cls
        QCOMPARE(screen.writer({-1, 0}), -1);
        QCOMPARE(screen.writer({320, 0}), -1);
        // What selecting the first box outlines: all it drew, covered or not.
        QCOMPARE(render.drawnBy(on(render, 5)), QRect(QPoint(10, 10), QPoint(50, 50)));
        QCOMPARE(render.drawnBy(on(render, 3)), QRect());    // a colour draws nothing
        QCOMPARE(render.drawnBy(on(render, 8), 7), QRect()); // not yet run

        // Before the script, the start screen was written by nobody.
        QCOMPARE(render.screenAfter(0).writer({160, 120}), -1);
        QVERIFY(render.screenAfter(0).shown() != screen.shown());
    }

    void layersAndTheKeyDecideTheComposedWriter()
    {
        ScreenRender render;
        render.setText("SetColorH #ff0000\n"
                       "Cls\n" // line 2: layer 0 red
                       "setLayer 1\n"
                       "SetColorH #0000ff\n"
                       "Cls\n" // line 5: layer 1 blue
                       "SetColorH #00ff00\n"
                       "SetXHY 0 0\n"
                       "boxHFill 9 9\n" // line 8: green on layer 1
                       "setColorKey #0000ff\n"
                       "layerVisibility 1 1\n"); // blue is the key: layer 0 shows through
        const preview::RenderedScreen screen = render.screen();
        QCOMPARE(screen.shown().pixel(5, 5), Green);
        QCOMPARE(screen.writer({5, 5}), on(render, 8));
        QCOMPARE(screen.shown().pixel(50, 50), Red);
        QCOMPARE(screen.writer({50, 50}), on(render, 2));
        QCOMPARE(screen.writer({50, 50}, Layer::One), on(render, 5));
        QCOMPARE(screen.writer({5, 5}, Layer::Zero), on(render, 2));
        QCOMPARE(screen.layer(1).pixel(50, 50), Blue);

        const QVector<int> map = screen.writerMap();
        for (const QPoint p : {QPoint(5, 5), QPoint(50, 50), QPoint(319, 239)})
            QCOMPARE(map.at(p.y() * 320 + p.x()), screen.writer(p));
    }

    // The screen after step n is the screen of the script cut after its
    // nth statement, across snapshots and the replays between them.
    void everyStepShowsTheScreenAfterIt()
    {
        const QString text = randomDrawing(700);
        const QStringList lines = text.split('\n');
        ScreenRender render;
        render.setText(text);
        QCOMPARE(render.stepCount(), 700);
        for (int steps : {0, 1, 2, 255, 256, 257, 300, 511, 512, 513, 699, 700}) {
            ScreenRender cut;
            cut.setText(lines.mid(0, steps).join('\n'));
            const preview::RenderedScreen after = render.screenAfter(steps);
            QCOMPARE(after.steps(), steps);
            QCOMPARE(after.shown(), cut.screen().shown());
            QCOMPARE(after.writerMap(), cut.screen().writerMap());
            for (int statement = 0; statement < cut.statementCount(); statement += 37)
                QCOMPARE(render.drawnBy(statement, steps), cut.drawnBy(statement));
        }
        QCOMPARE(render.screenAfter(9999).steps(), 700); // held to the run
    }

    void repeatBodiesCountOncePerRound()
    {
        ScreenRender render;
        render.setText("SetXHY 10 10\n"
                       "repeat 3\n"
                       "  LINE_TO_XHY 100 10\n" // line 3
                       "  LINE_TO_XHY 10 20\n"  // line 4
                       "  repeat 2\n"
                       "    wait 0ms\n" // line 6
                       "  end\n"
                       "end\n"
                       "ping\n");
        // 1 + 3 x (2 + 2) + 1 statements run; repeats are no steps.
        QCOMPARE(render.stepCount(), 14);
        QCOMPARE(render.statementOfStep(1), on(render, 3));
        QCOMPARE(render.statementOfStep(4), on(render, 6));
        QCOMPARE(render.statementOfStep(5), on(render, 3));
        QCOMPARE(render.statementOfStep(13), on(render, 9));
        QCOMPARE(render.statementCount(), 7);
        // Every round's line is written by the same statement.
        QCOMPARE(render.screen().writer({50, 10}), on(render, 3));
        QCOMPARE(render.drawnBy(on(render, 4)), QRect(QPoint(10, 10), QPoint(100, 20)));
        QCOMPARE(render.stepsThrough(3), 2);  // the run first goes past line 3 at line 4
        QCOMPARE(render.stepsThrough(8), 13); // after the repeats, before the ping
        QCOMPARE(render.stepsThrough(0), 0);
        QCOMPARE(render.statementAtLine(7), -1); // an `end` is no statement
    }

    void anEditRunsAgainWhatChanged_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::addColumn<bool>("extendedAfter");
        QStringList lines = randomDrawing(2000, 11).split('\n');
        const QString base = lines.join('\n');
        QStringList changed = lines;
        changed[1500] = "boxHFill 300 200";
        QTest::newRow("one statement late") << base << changed.join('\n') << false;
        changed = lines;
        changed[3] = "SetColorH #123456";
        QTest::newRow("one statement early") << base << changed.join('\n') << false;
        changed = lines;
        changed.insert(700, "circleRH 40");
        QTest::newRow("a statement inserted") << base << changed.join('\n') << false;
        changed = lines;
        changed.removeAt(1999);
        QTest::newRow("the last removed") << base << changed.join('\n') << false;
        QTest::newRow("appended") << base << base + "\nboxH 5 5\n" << false;
        // Bytes of the same length at the same place: only their values differ.
        QTest::newRow("same length") << "SetXHY 0 0\nboxHFill 10 10\nboxH 30 30\n"
                                     << "SetXHY 0 0\nboxHFill 20 20\nboxH 30 30\n"
                                     << false;
        QTest::newRow("a blank line moves the rest")
            << base << lines.mid(0, 1000).join('\n') + "\n\n" + lines.mid(1000).join('\n') << false;
        const QString loop = "SetXHY 0 0\nrepeat 400\nLINE_TO_XHY 300 200\nSetXHY 5 9\nend\n";
        QString more = loop;
        more.replace("repeat 400", "repeat 401");
        QTest::newRow("a repeat's count") << loop << more << false;
        QTest::newRow("extended at the start") << "SetXHY 1 2\nLINE_TO_XHY 40 40\n"
                                               << "SetXHY 1 2\nLINE_TO_XHY 40 40\n"
                                               << true;
    }

    // Whatever the edit, the render kept from before ends as a fresh one.
    void anEditRunsAgainWhatChanged()
    {
        QFETCH(QString, before);
        QFETCH(QString, after);
        QFETCH(bool, extendedAfter);
        ScreenRender edited;
        edited.setText(before);
        (void)edited.screenAfter(edited.stepCount() / 2);
        edited.setText(after, {}, extendedAfter);
        ScreenRender fresh;
        fresh.setText(after, {}, extendedAfter);
        compareRenders(edited, fresh);
        // And back again.
        edited.setText(before);
        ScreenRender original;
        original.setText(before);
        compareRenders(edited, original);
    }

    void errorsShowTheRunUpToTheFirst()
    {
        ScreenRender render;
        render.setText("SetColorH #ff0000\n"
                       "Cls\n"
                       "SetXHY 0 0\n"
                       "boxHFill 10 10 10\n" // line 4: one argument too many
                       "Clss\n");
        QCOMPARE(render.errors().size(), 2);
        QCOMPARE(render.errors().first().pos.line, 4);
        QCOMPARE(render.stepCount(), 3);
        QCOMPARE(render.screen().shown().pixel(5, 5), Red);

        // Cut inside a repeat: one round, up to the line in error.
        render.setText("SetXHY 0 0\n"
                       "repeat 5\n"
                       "  LINE_TO_XHY 20 0\n"
                       "  SetXHY 0 0\n"
                       "  V_LINE 999\n" // out of range
                       "  Cls\n"
                       "end\n");
        QCOMPARE(render.errors().size(), 1);
        QCOMPARE(render.stepCount(), 3);

        // A repeat the text ends inside runs its rounds: its end is still to come.
        render.setText("SetXHY 0 0\n"
                       "repeat 5\n"
                       "  LINE_TO_XHY 20 0\n");
        QCOMPARE(render.errors().size(), 1);
        QVERIFY(render.errors().first().unclosed);
        QCOMPARE(render.stepCount(), 6);

        // An error on the first line leaves the module as it started.
        render.setText("Clss\nCls\n");
        QCOMPARE(render.stepCount(), 0);
        QCOMPARE(render.screen().shown(), ScreenRender().screen().shown());

        render.setScript(script::parseScript("Cls\n").script);
        QVERIFY(render.errors().isEmpty());
    }

    void sendWaitAndExpect()
    {
        ScreenRender render;
        render.setText("send 84 00 f8\n" // SetColorH red, by hand
                       "send 21\n"       // Cls
                       "wait 10ms\n"
                       "expect pong within 5ms\n"
                       "SD_FILE_CREATE 1 \"NEW.TXT\"\n"
                       "SetXHY 5 5\n"
                       "send 84\n" // a colour cut in two statements: drawn by the later
                       "send e0 07 a2 00 14 14\n");
        QCOMPARE(render.screen().shown().pixel(100, 100), Red);
        QCOMPARE(render.screen().writer({100, 100}), on(render, 2));
        for (int line : {3, 4, 5})
            QCOMPARE(render.writtenInStep(on(render, line)), QRect());
        QCOMPARE(render.screenAfter(4).shown(), render.screenAfter(2).shown());
        QCOMPARE(render.screen().shown().pixel(20, 20), Green);
        QCOMPARE(render.screen().writer({20, 20}), on(render, 8));
    }

    void extendedModeWidensY()
    {
        ScreenRender render;
        render.setText("setWest\n"
                       "setExtendedMode\n"
                       "SetXHY 0 0\n"
                       "LINE_TO_XHY 0 300\n" // line 4: 300 is on a screen turned west
                       "setStandardMode\n"
                       "SetXHY 9 9\n"
                       "LINE_TO_XHY 5 5\n"); // line 7
        // West: logical x, y lies at panel y, 239 - x.
        QCOMPARE(render.screen().writer({300, 239}), on(render, 4));
        QCOMPARE(render.screen().writer({200, 239}), on(render, 4));
        QCOMPARE(render.screen().writer({5, 234}), on(render, 7));
        QVERIFY(render.notes().isEmpty());
        // Told the module is in extended mode already, the same Y needs no switch.
        render.setText("SetXHY 0 0\nLINE_TO_XHY 0 300\n", {}, true);
        QVERIFY(render.errors().isEmpty());
        QCOMPARE(render.screen().writer({0, 200}), on(render, 2));
    }

    void buttonsAndTheirTouches()
    {
        ScreenRender render;
        render.setText("SetColorH #000000\n"
                       "Cls\n"
                       "buttonDef 1 1 0 0 0 10 20 30 40\n" // line 3
                       "setEast\n"
                       "buttonDef 2 3 0 0 0 0 0 20 10\n" // line 5: drawn turned
                       "buttonDef 3 1 0 0 0 100 100 10 10\n"
                       "buttonState 3 0\n"); // deleted
        const QVector<preview::ButtonOutline> buttons = render.screen().buttons();
        QCOMPARE(buttons.size(), 2);
        QCOMPARE(buttons.at(0).number, 1);
        QCOMPARE(buttons.at(0).state, 1);
        QCOMPARE(buttons.at(0).area, QRect(10, 20, 30, 40));
        // East: logical x, y lies at panel 319 - y, x.
        QCOMPARE(buttons.at(1).area, QRect(QPoint(310, 0), QPoint(319, 19)));
        QCOMPARE(buttons.at(1).state, 3);
        QCOMPARE(render.screen().writer({15, 25}), on(render, 3));

        const QImage before = render.screen().shown();
        const preview::TouchReport report = render.press({20, 30});
        QCOMPARE(report.button, 1);
        QVERIFY(report.point);
        // Reported in the orientation the script left: east.
        const QPoint logical = vxsim::Screen::toLogical({20, 30}, vxsim::Orientation::East);
        QCOMPARE(int(report.point->x), logical.x());
        QCOMPARE(int(report.point->y), logical.y());
        QCOMPARE(report.bytes.size(), 6);
        QCOMPARE(render.screen().shown(), before);      // the press left the run alone
        QCOMPARE(render.press({315, 5}).button, -1);    // disabled
        QCOMPARE(render.press({20, 30}, 2).button, -1); // before button 1 was defined
        QVERIFY(render.press({20, 30}, 2).point);
        QCOMPARE(render.press({20, 30}, 999).button, 1); // held to the run

        render.setText("touchProtocol 0\nbuttonDef 1 1 0 0 0 0 0 50 50\n");
        QVERIFY(render.press({5, 5}).bytes.isEmpty()); // protocol None says nothing
        QCOMPARE(render.press({5, 5}).button, 1);
    }

    void imagesFromTheListsAndTheCard()
    {
        QTemporaryDir dir;
        const QString logo = writeFile(dir.path(), "logo.vxp", vxpImage(8, 6, 0x07E0));
        const QString other = writeFile(dir.path(), "other.vxp", vxpImage(4, 4, 0x001F));
        const std::unique_ptr<AssetLists> lists = listsOf({}, {other, logo});
        const QString card = dir.filePath("card");
        writeFile(card, "PIC.VXP", vxpImage(5, 5, 0xF800));
        writeFile(card, "KEEP.TXT", "kept");
        const QStringList before = QDir(card).entryList(QDir::Files);

        RenderContext context;
        context.setLists(*lists);
        context.setCardFolder(card);
        ScreenRender render(context);
        render.setText("SetXHY 20 20\n"
                       "PUT_SF_ICON 1\n" // line 2: logo, its left column see-through
                       "SetXHY 60 60\n"
                       "sdPutIcon \"PIC.VXP\"\n"
                       "SD_FILE_CREATE 1 \"NEW.TXT\"\n"
                       "SD_FILE_DELETE \"KEEP.TXT\"\n"
                       "SD_FOLDER_CREATE \"DIR\"\n"
                       "captureScreen\n");
        QCOMPARE(render.screen().shown().pixel(21, 20), Green);
        QCOMPARE(render.screen().writer({21, 20}), on(render, 2));
        QCOMPARE(render.screen().writer({20, 20}), -1); // transparent: not written
        QCOMPARE(render.drawnBy(on(render, 2)), QRect(21, 20, 7, 6));
        QCOMPARE(render.screen().shown().pixel(62, 62), Red);
        QCOMPARE(QDir(card).entryList(QDir::Files), before); // the card stays as it was
        QVERIFY(!QFileInfo::exists(card + "/DIR"));

        // Without lists the module has no flash image: nothing is drawn.
        render.setContext(RenderContext());
        QCOMPARE(render.screen().writer({21, 20}), -1);
        QCOMPARE(render.stepCount(), 8);
    }

    void startScreensFollowTheSettings()
    {
        QTemporaryDir dir;
        const QString logo = writeFile(dir.path(), "logo.vxp", vxpImage(8, 6, 0x07E0));
        const std::unique_ptr<AssetLists> lists = listsOf({}, {logo});

        StartupSettings settings = preview::simulatorStart();
        const QImage greeting = preview::startScreen(settings, *lists);
        QCOMPARE(greeting, ScreenRender().screenAfter(0).shown()); // the simulator's own

        settings.startScreen = StartScreen::Color;
        settings.fill = QColor(0, 0, 255);
        QImage filled = preview::startScreen(settings, *lists);
        QCOMPARE(filled.size(), QSize(320, 240));
        QCOMPARE(filled.pixel(0, 0), Blue);
        QCOMPARE(filled.pixel(319, 239), Blue);
        settings.brightness = 51; // a fifth
        QCOMPARE(preview::startScreen(settings, *lists).pixel(100, 100), qRgb(0, 0, 51));
        settings.backlightOn = false;
        QCOMPARE(preview::startScreen(settings, *lists).pixel(100, 100), Black);

        settings = preview::simulatorStart();
        settings.startScreen = StartScreen::Image;
        settings.imageNumber = 0;
        settings.imageX = 300;
        settings.imageY = 2;
        const QImage placed = preview::startScreen(settings, *lists);
        QCOMPARE(placed.pixel(301, 2), Green);
        QCOMPARE(placed.pixel(307, 7), Green);
        QCOMPARE(placed.pixel(300, 2), Black); // its see-through column
        QCOMPARE(placed.pixel(308, 2), Black);
        settings.imageNumber = 5; // not listed: nothing drawn
        QCOMPARE(preview::startScreen(settings, *lists).pixel(301, 2), Black);
    }

    void longRunsStopAtTheLimit()
    {
        ScreenRender render;
        render.setText("repeat 1000000\n"
                       "  repeat 3\n"
                       "    wait 0ms\n"
                       "  end\n"
                       "end\n"
                       "Cls\n");
        QCOMPARE(render.stepCount(), ScreenRender::stepLimit);
        QCOMPARE(render.cutBefore(), on(render, 3));
        // Empty bodies are no work, however deep.
        render.setText("repeat 1000000\nrepeat 1000000\nrepeat 1000000\nend\nend\nend\nCls\n");
        QCOMPARE(render.stepCount(), 1);
        QCOMPARE(render.cutBefore(), -1);
    }
};

QTEST_GUILESS_MAIN(TestScreenRender)
#include "tst_screenrender.moc"

// What the designer reads from a rendered script: which shapes are on the
// screen, which statements place and colour each, and the screens.
#include "designtest.h"

#include "design/screens.h"

#include <QtTest>

using namespace design;

class TestDesignLayout : public QObject
{
    Q_OBJECT

private slots:
    // A SetXHY is a shape's own when nothing else reads the cursor between
    // it and the next one; the same for the ink and the font.
    void settingSources()
    {
        const Designed designed("SetColorH #ffffff\n" // 1
                                "SetXHY 10 10\n"      // 2
                                "boxH 50 50\n"        // 3: owns 2; its ink is read by 5 too
                                "SetXHY 60 60\n"      // 4
                                "circleRH 9\n"        // 5: 4 is shared with 6
                                "circleRH 20\n"       // 6
                                "select_font 2\n"     // 7
                                "SetColorH #ff0000\n" // 8
                                "SetXHY 100 10\n"     // 9
                                "printString \"A\"\n" // 10: owns 7, 8 and 9
                                "SetXHY 0 200\n"      // 11
                                "SetColorH #00ff00\n" // 12
                                "select_font 1\n"     // 13
                                "send 84 00 f8\n"     // 14: raw bytes may set anything
                                "boxH 9 209\n");      // 15: owns nothing
        const Shape &first = designed.shapeOn(3);
        QCOMPARE(designed.layout.statement(first.position.statement).pos.line, 2);
        QCOMPARE(first.ink.statement, -1);
        QVERIFY(first.ink.readLater);
        const Shape &text = designed.shapeOn(10);
        QCOMPARE(designed.layout.statement(text.position.statement).pos.line, 9);
        QCOMPARE(designed.layout.statement(text.ink.statement).pos.line, 8);
        QCOMPARE(designed.layout.statement(text.font.statement).pos.line, 7);
        QVERIFY(!text.position.readLater);
        const Shape &small = designed.shapeOn(5);
        QCOMPARE(small.position.statement, -1);
        QVERIFY(small.position.readLater);
        const Shape &last = designed.shapeOn(15);
        QCOMPARE(last.position.statement, -1);
        QCOMPARE(last.ink.statement, -1);
        QCOMPARE(last.pen.ink, quint16(0xF800)); // as the send left it

        QCOMPARE(designed.layout.shapeAtLine(9), designed.layout.shapeOfStatement(text.statement));
        QCOMPARE(designed.layout.linesOf(text), qMakePair(9, 10));
        QCOMPARE(designed.layout.linesOf(small), qMakePair(5, 5));
    }

    // Each screen is laid out from the steps through its end: only what is
    // on the panel then is a shape.
    void screens()
    {
        const QString script = "setExtendedMode\n"
                               "screen \"Main\"\n"
                               "  SetColorH #000000\n"
                               "  Cls\n"
                               "  SetColorH #ffffff\n"
                               "  buttonDef 1 1 0 0 0 10 10 50 20 as \"Go\"\n"
                               "end\n"
                               "screen \"More\"\n"
                               "  Cls\n"
                               "  SetXHY 5 300\n"
                               "  boxH 40 40\n"
                               "end\n";
        const Designed designed(script);
        const QVector<ScreenBlock> screens = screensOf(designed.render->script());
        QCOMPARE(screens.size(), 2);
        QCOMPARE(screens.at(1).name, QStringLiteral("More"));
        QCOMPARE(screens.at(1).line, 8);
        QCOMPARE(screens.at(1).endLine, 12);
        QCOMPARE(screenAtLine(screens, 7), 0);
        QCOMPARE(screenAtLine(screens, 8), 1);
        QCOMPARE(screenAtLine(screens, 1), -1);

        const int mainSteps = designed.render->stepsThrough(screens.at(0).endLine);
        const Layout main(*designed.render, designed.render->screenAfter(mainSteps));
        QCOMPARE(main.shapes().size(), 1);
        QCOMPARE(main.shapes().first().kind, ShapeKind::Button);
        QCOMPARE(designed.layout.shapes().size(), 1);
        const Shape &box = designed.layout.shapes().first();
        QCOMPARE(box.line, 11);
        QVERIFY(box.extended);
        QCOMPARE(designed.layout.statement(box.position.statement).pos.line, 10);
        QVERIFY(box.fixed.isEmpty());
        // The box draws in the ink Main set: that statement is Main's, so a
        // new colour gives the box one of its own.
        QCOMPARE(box.ink.statement, -1);
        QCOMPARE(box.pen.ink, quint16(0xFFFF));
        // A button brings its own colours: no SetColorH is its.
        QCOMPARE(main.shapes().first().ink.statement, -1);
    }
};

QTEST_GUILESS_MAIN(TestDesignLayout)
#include "tst_designlayout.moc"

// Moves, handle drags, inspector fields and palette inserts, each checked
// by rendering the text it gives: the shape lands where the mouse put it,
// and everything else stays where it was.
#include "designtest.h"

#include "design/screens.h"
#include "design/snapping.h"

#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

using namespace design;

namespace {

const char *const blackScreen = "SetColorH #000000\nCls\nSetColorH #ffff00\n";

QString withBlack(const QString &text)
{
    return QLatin1String(blackScreen) + text;
}

// The panel pixels each statement on a line wrote, by line.
QMap<int, QRect> boundsByLine(const Designed &designed)
{
    QMap<int, QRect> bounds;
    for (const Shape &shape : designed.layout.shapes())
        bounds.insert(shape.line, shape.bounds);
    return bounds;
}

// The line a statement moved to once `edit` inserted lines before it.
int lineAfter(const Edit &edit, int line)
{
    int shift = 0;
    for (const TextChange &change : edit.changes) {
        if (change.length == 0 && change.column == 1 && change.line <= line)
            shift += int(change.text.count(QLatin1Char('\n')));
    }
    return line + shift;
}

} // namespace

class TestDesignEdits : public QObject
{
    Q_OBJECT

private slots:
    void movesChangeOnlyTheirNumbers_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("line"); // of the shape, counted after the black screen's 3 lines
        QTest::addColumn<QPoint>("delta");
        QTest::addColumn<QString>("expected");
        auto row = [](const char *kind, const char *script, int line, QPoint delta,
                      const char *expected) {
            QTest::newRow(kind) << QString(script) << line << delta << QString(expected);
        };
        row("box", "SetXHY 10 10\nboxH 100 60   # frame\n", 2, {5, 7},
            "SetXHY 15 17\nboxH 105 67   # frame\n");
        row("filled box", "SetXHY 0x10 10\nboxHFill 0X6A 60\n", 2, {-3, 2},
            "SetXHY 0xd 12\nboxHFill 0X67 62\n");
        row("circle", "SetXHY 100 100\ncircleRH 30\n", 2, {10, -20},
            "SetXHY 110 80\ncircleRH 30\n");
        row("arc", "SetXHY 60 150\narcH 40 0 270\n", 2, {1, 1}, "SetXHY 61 151\narcH 40 0 270\n");
        row("line", "SetXHY 10 10\nLINE_TO_XHY 50 60\n", 2, {5, 7},
            "SetXHY 15 17\nLINE_TO_XHY 55 67\n");
        row("horizontal line", "SetXHY 120 100\nH_LINEH 300\n", 2, {-20, 3},
            "SetXHY 100 103\nH_LINEH 280\n");
        row("vertical line", "SetXHY 120 100\nV_LINE 220\n", 2, {4, -30},
            "SetXHY 124 70\nV_LINE 190\n");
        row("text", "SetXHY 20 30\nprintString \"Hi\"\n", 2, {8, 9},
            "SetXHY 28 39\nprintString \"Hi\"\n");
        row("image", "SetXHY 20 30\nsdPutIcon \"LOGO.BMP\"\n", 2, {40, 50},
            "SetXHY 60 80\nsdPutIcon \"LOGO.BMP\"\n");
        row("button", "buttonDef 1 1 0 0 0 10 20 60 30 as \"Go\"\n", 1, {15, 7},
            "buttonDef 1 1 0 0 0 25 27 60 30 as \"Go\"\n");
        row("turned east", "setEast\nSetXHY 10 10\nboxH 50 30\n", 3, {6, 0},
            "setEast\nSetXHY 10 4\nboxH 50 24\n");
    }

    // The edit is exactly the numbers of the shape; rendered, the shape's
    // pixels move by the delta and nothing else changes; rendering the edit
    // on top of the old run gives what a fresh render gives.
    void movesChangeOnlyTheirNumbers()
    {
        QFETCH(QString, script);
        QFETCH(int, line);
        QFETCH(QPoint, delta);
        QFETCH(QString, expected);
        const Designed before(withBlack(script), cardWithLogo());
        const Shape &shape = before.shapeOn(line + 3);
        const Edit edit = moveShape(before.layout, shape, delta, before.text);
        const QString after = applied(before.text, edit);
        QCOMPARE(after, withBlack(expected));
        QVERIFY(edit.note.isEmpty());

        const Designed fresh(after, cardWithLogo());
        QCOMPARE(fresh.shapeOn(line + 3).bounds, shape.bounds.translated(delta));
        before.render->setText(after);
        QCOMPARE(before.render->screen().shown(), fresh.render->screen().shown());
    }

    // A position shared with later statements is left to them: the moved
    // shape gets a SetXHY of its own, and the old position is set again
    // behind it when something after it reads the cursor.
    void sharedPositions_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("line");
        QTest::addColumn<QPoint>("delta");
        QTest::addColumn<QString>("expected");
        QTest::newRow("box and circle on one SetXHY")
            << "SetXHY 40 40\nboxH 80 80\ncircleRH 5\n"
            << 2 << QPoint(3, 4)
            << "SetXHY 40 40\nSetXHY 43 44\nboxH 83 84\nSetXHY 40 40\ncircleRH 5\n";
        QTest::newRow("second segment of a polyline")
            << "SetXHY 10 10\nLINE_TO_XHY 50 10\nLINE_TO_XHY 50 50\n"
            << 3 << QPoint(5, 0)
            << "SetXHY 10 10\nLINE_TO_XHY 50 10\nSetXHY 55 10\nLINE_TO_XHY 55 50\n";
        QTest::newRow("first of two texts in a row")
            << "SetXHY 10 10\n  printString \"A\"\n  printString \"B\"\n"
            << 2 << QPoint(0, 20)
            << "SetXHY 10 10\n  SetXHY 10 30\n  printString \"A\"\n  SetXHY 16 10\n"
               "  printString \"B\"\n";
        QTest::newRow("after a Cls") << "SetColorH #ff0000\nCls\nSetColorH #ffffff\nboxH 9 9\n"
                                     << 4 << QPoint(2, 2)
                                     << "SetColorH #ff0000\nCls\nSetColorH #ffffff\nSetXHY 2 2\n"
                                        "boxH 11 11\n";
    }

    void sharedPositions()
    {
        QFETCH(QString, script);
        QFETCH(int, line);
        QFETCH(QPoint, delta);
        QFETCH(QString, expected);
        const Designed before(withBlack(script));
        const Shape &shape = before.shapeOn(line + 3);
        const Edit edit = moveShape(before.layout, shape, delta, before.text);
        QCOMPARE(applied(before.text, edit), withBlack(expected));
        QVERIFY2(edit.note.contains(QLatin1String("SetXHY of its own")), qPrintable(edit.note));

        // Every other shape is where it was.
        const Designed after(applied(before.text, edit));
        const QMap<int, QRect> old = boundsByLine(before);
        for (auto it = old.begin(); it != old.end(); ++it) {
            const QRect now = after.shapeOn(lineAfter(edit, it.key())).bounds;
            QCOMPARE(now, it.key() == shape.line ? it.value().translated(delta) : it.value());
        }
    }

    // No number leaves its field: the move stops at the edge instead, the
    // whole shape with it.
    void movesStopAtFieldEdges()
    {
        const Designed low(withBlack("SetXHY 10 200\nboxH 100 250\n"));
        QCOMPARE(applied(low.text, moveShape(low.layout, low.shapeOn(5), {-30, 20}, low.text)),
                 withBlack("SetXHY 0 205\nboxH 90 255\n"));

        // SetXHY's y is a byte in standard mode and a word in extended mode.
        const Designed standard(withBlack("SetXHY 10 230\ncircleRH 5\n"));
        QCOMPARE(applied(standard.text,
                         moveShape(standard.layout, standard.shapeOn(5), {0, 40}, standard.text)),
                 withBlack("SetXHY 10 255\ncircleRH 5\n"));
        const Designed extended(withBlack("setExtendedMode\nSetXHY 10 230\ncircleRH 5\n"));
        QCOMPARE(applied(extended.text,
                         moveShape(extended.layout, extended.shapeOn(6), {0, 40}, extended.text)),
                 withBlack("setExtendedMode\nSetXHY 10 270\ncircleRH 5\n"));

        // A button's size is a byte, and never less than a pixel.
        const Designed button(withBlack("buttonDef 1 1 0 0 0 10 20 60 30\n"));
        const Shape &face = button.shapeOn(4);
        QCOMPARE(applied(button.text, dragHandle(button.layout, face, Handle::BottomRight,
                                                 {400, 10}, button.text)),
                 withBlack("buttonDef 1 1 0 0 0 10 20 255 1\n"));
    }

    void handles_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("line");
        QTest::addColumn<int>("handle");
        QTest::addColumn<QPoint>("to");
        QTest::addColumn<QString>("expected");
        auto row = [](const char *label, const char *script, int line, Handle handle, QPoint to,
                      const char *expected) {
            QTest::newRow(label) << QString(script) << line << int(handle) << to
                                 << QString(expected);
        };
        row("box far corner", "SetXHY 10 10\nboxH 100 60\n", 2, Handle::BottomRight, {120, 80},
            "SetXHY 10 10\nboxH 120 80\n");
        row("box near corner", "SetXHY 10 10\nboxH 100 60\n", 2, Handle::TopLeft, {4, 3},
            "SetXHY 4 3\nboxH 100 60\n");
        row("box drawn backwards", "SetXHY 100 60\nboxHFill 10 10\n", 2, Handle::TopRight, {90, 5},
            "SetXHY 90 60\nboxHFill 10 5\n");
        row("circle radius", "SetXHY 100 100\ncircleRH 30\n", 2, Handle::Radius, {100, 140},
            "SetXHY 100 100\ncircleRH 40\n");
        row("arc radius", "SetXHY 100 100\narcH 30 0 90\n", 2, Handle::Radius, {120, 100},
            "SetXHY 100 100\narcH 20 0 90\n");
        row("arc across 0", "SetXHY 100 100\narcH 30 300 60\n", 2, Handle::Radius, {100 + 40, 100},
            "SetXHY 100 100\narcH 40 300 60\n");
        row("line end", "SetXHY 10 10\nLINE_TO_XHY 50 60\n", 2, Handle::End, {70, 20},
            "SetXHY 10 10\nLINE_TO_XHY 70 20\n");
        row("line start", "SetXHY 10 10\nLINE_TO_XHY 50 60\n", 2, Handle::Start, {0, 0},
            "SetXHY 0 0\nLINE_TO_XHY 50 60\n");
        row("horizontal end", "SetXHY 10 10\nH_LINEH 50\n", 2, Handle::End, {70, 99},
            "SetXHY 10 10\nH_LINEH 70\n");
        row("vertical end", "SetXHY 10 10\nV_LINE 50\n", 2, Handle::End, {70, 99},
            "SetXHY 10 10\nV_LINE 99\n");
        row("button top left", "buttonDef 1 1 0 0 0 10 20 60 30\n", 1, Handle::TopLeft, {20, 25},
            "buttonDef 1 1 0 0 0 20 25 50 25\n");
    }

    void handles()
    {
        QFETCH(QString, script);
        QFETCH(int, line);
        QFETCH(int, handle);
        QFETCH(QPoint, to);
        QFETCH(QString, expected);
        const Designed before(script);
        const Shape &shape = before.shapeOn(line);
        const auto spots = handlesOf(before.layout, shape);
        QVERIFY(std::any_of(spots.begin(), spots.end(),
                            [&](const HandleSpot &spot) { return int(spot.handle) == handle; }));
        const Edit edit = dragHandle(before.layout, shape, Handle(handle), to, before.text);
        QCOMPARE(applied(before.text, edit), expected);
    }

    // Text in, designer, text out: what is not moved is not touched. Every
    // shape of every demo, and of a script made from a capture, gives no
    // edit for a move by nothing, a handle dragged onto itself, or a field
    // set to what it holds.
    void untouchedShapesGiveNoEdit_data()
    {
        QTest::addColumn<QString>("script");
        const QDir demos(QString::fromLocal8Bit(qgetenv("VEXEL_SOURCE_DIR")) +
                         QStringLiteral("/script/demos"));
        const QStringList names = demos.entryList({QStringLiteral("*.vxscript")});
        QVERIFY(names.size() >= 5);
        for (const QString &name : names) {
            QFile file(demos.filePath(name));
            QVERIFY(file.open(QIODevice::ReadOnly));
            QTest::newRow(qPrintable(name)) << QString::fromUtf8(file.readAll());
        }
        QTest::newRow("from a capture") << capturedScript();
    }

    void untouchedShapesGiveNoEdit()
    {
        QFETCH(QString, script);
        const Designed designed(script);
        for (const Shape &shape : designed.layout.shapes()) {
            const QString where = QStringLiteral("line %1").arg(shape.line);
            QVERIFY2(moveShape(designed.layout, shape, {}, script).isEmpty(), qPrintable(where));
            for (const HandleSpot &spot : handlesOf(designed.layout, shape))
                QVERIFY2(
                    dragHandle(designed.layout, shape, spot.handle, spot.panel, script).isEmpty(),
                    qPrintable(where));
            const QVector<Field> fields = fieldsOf(designed.layout, shape);
            for (int i = 0; i < fields.size(); ++i)
                QVERIFY2(setField(designed.layout, shape, i, fields.at(i).value, fields.at(i).text,
                                  script)
                             .isEmpty(),
                         qPrintable(where + QLatin1Char(' ') + fields.at(i).label));
        }
    }

    // The demo's zigzag is drawn by a repeat: shown, but not draggable.
    void shapesInRepeatsStayPut()
    {
        const Designed designed("SetXHY 10 10\nrepeat 2\n  LINE_TO_XHY 100 100\n"
                                "  LINE_TO_XHY 10 100\nend\n");
        const Shape &line = designed.shapeOn(3);
        QVERIFY(line.fixed.contains(QLatin1String("repeat at line 2")));
        QVERIFY(handlesOf(designed.layout, line).isEmpty());
        QVERIFY(moveShape(designed.layout, line, {5, 5}, designed.text).isEmpty());
    }

    void fields()
    {
        const QString script = withBlack("SetXHY 10 10\nprintString \"Hi\"\nboxH 60 60\n"
                                         "buttonDef 2 1 0 0 0 100 100 40 20\n");
        const Designed designed(script);
        const Shape &text = designed.shapeOn(5);
        const QVector<Field> textFields = fieldsOf(designed.layout, text);
        const auto index = [&](const QVector<Field> &fields, const char *label) {
            for (int i = 0; i < fields.size(); ++i) {
                if (fields.at(i).label == QLatin1String(label))
                    return i;
            }
            return -1;
        };
        QCOMPARE(textFields.at(index(textFields, "text")).text, QStringLiteral("Hi"));
        QCOMPARE(textFields.at(index(textFields, "colour")).value, qint64(0xFFE0));
        QCOMPARE(textFields.at(index(textFields, "y")).highest, qint64(255));

        // The text's ink is read by the box after it: the text gets its own.
        const Edit red =
            setField(designed.layout, text, index(textFields, "colour"), 0xF800, {}, script);
        QCOMPARE(applied(script, red),
                 withBlack("SetXHY 10 10\nSetColorH #ff0000\nprintString \"Hi\"\n"
                           "SetColorH #ffff00\nboxH 60 60\nbuttonDef 2 1 0 0 0 100 100 40 20\n"));
        QVERIFY(red.note.contains(QLatin1String("SetColorH")));
        const Edit hello = setField(designed.layout, text, index(textFields, "text"), 0,
                                    QStringLiteral("Hello \"you\""), script);
        QVERIFY(
            applied(script, hello).contains(QLatin1String("printString \"Hello \\\"you\\\"\"\n")));
        QCOMPARE(index(textFields, "background"), -1); // printString draws no background
        const Edit font = setField(designed.layout, text, index(textFields, "font"), 3, {}, script);
        QVERIFY(applied(script, font).contains(QLatin1String("select_font 3\nprintString")));

        // Text on its own background: the background is a field too, and
        // the second text keeps the blue it shares.
        const QString onPaper = withBlack("SET_BG_COLORH #0000ff\nSetXHY 5 5\n"
                                          "PRINT_STRING_BG \"A\"\nSetXHY 5 50\n"
                                          "PRINT_STRING_BG \"B\"\n");
        const Designed painted(onPaper);
        const Shape &first = painted.shapeOn(6);
        const QVector<Field> paperFields = fieldsOf(painted.layout, first);
        const int background = index(paperFields, "background");
        QCOMPARE(paperFields.at(background).value, qint64(0x001F));
        const QString redPaper =
            applied(onPaper, setField(painted.layout, first, background, 0xF800, {}, onPaper));
        QCOMPARE(redPaper, withBlack("SET_BG_COLORH #0000ff\nSetXHY 5 5\nSET_BG_COLORH #ff0000\n"
                                     "PRINT_STRING_BG \"A\"\nSET_BG_COLORH #0000ff\nSetXHY 5 50\n"
                                     "PRINT_STRING_BG \"B\"\n"));
        const Designed repainted(redPaper);
        QCOMPARE(repainted.render->screen().shown().pixelColor(first.bounds.topLeft()),
                 QColor(Qt::red));
        const QRect second = painted.shapeOn(8).bounds;
        QCOMPARE(repainted.render->screen().shown().copy(second),
                 painted.render->screen().shown().copy(second));

        // A button's name is added, changed and taken away again.
        const Shape &button = designed.shapeOn(7);
        const QVector<Field> buttonFields = fieldsOf(designed.layout, button);
        const int name = index(buttonFields, "name");
        const QString named = applied(
            script, setField(designed.layout, button, name, 0, QStringLiteral("OK"), script));
        QVERIFY(named.endsWith(QLatin1String("buttonDef 2 1 0 0 0 100 100 40 20 as \"OK\"\n")));
        const Designed again(named);
        const Shape &namedButton = again.shapeOn(7);
        QVERIFY(applied(named,
                        setField(again.layout, namedButton, name, 0, QStringLiteral("Stop"), named))
                    .endsWith(QLatin1String("20 as \"Stop\"\n")));
        QCOMPARE(applied(named, setField(again.layout, namedButton, name, 0, {}, named)), script);
        // Numbers beyond their field stop at its edge.
        QVERIFY(applied(script, setField(designed.layout, button, index(buttonFields, "width"), 999,
                                         {}, script))
                    .endsWith(QLatin1String("100 100 255 20\n")));
    }

    // The palette's shapes are drawn where they were dropped, in the screen
    // the cursor is in, and buttons get numbers and names of their own.
    void paletteInserts_data()
    {
        QTest::addColumn<int>("shape");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("statements");
        auto row = [](const char *label, NewShape shape, ShapeKind kind, const char *statements) {
            QTest::newRow(label) << int(shape) << int(kind) << QString(statements);
        };
        row("text", NewShape::Text, ShapeKind::Text,
            "SetColorH #ffffff\n    SetXHY 50 40\n    printString \"Text\"");
        row("box", NewShape::Box, ShapeKind::Box, "SetXHY 50 40\n    boxH 129 79");
        row("filled box", NewShape::FilledBox, ShapeKind::FilledBox,
            "SetXHY 50 40\n    boxHFill 129 79");
        row("circle", NewShape::Circle, ShapeKind::Circle, "SetXHY 50 40\n    circleRH 30");
        row("arc", NewShape::Arc, ShapeKind::Arc, "SetXHY 50 40\n    arcH 30 0 180");
        row("line", NewShape::Line, ShapeKind::Line, "SetXHY 50 40\n    LINE_TO_XHY 129 40");
        row("button", NewShape::Button, ShapeKind::Button,
            "buttonDef 2 1 0 0 0 50 40 80 40 as \"Button 2\"");
    }

    void paletteInserts()
    {
        QFETCH(int, shape);
        QFETCH(int, kind);
        QFETCH(QString, statements);
        const QString script = "screen \"Main\"\n    SetColorH #000000\n    Cls\n"
                               "    buttonDef 1 1 0 0 0 200 200 50 20\nend\nLightOn\n";
        const Designed designed(script);
        const int before = insertionLine(screensOf(designed.render->script()), script, 3);
        QCOMPARE(before, 5);
        Insertion insertion;
        insertion.shape = NewShape(shape);
        insertion.panelPoint = {50, 40};
        insertion.ink = contrastingInk(0x0000);
        const QString after =
            applied(script, insertShape(designed.layout, insertion, script, before));
        QVERIFY2(after.contains(statements + QStringLiteral("\nend\nLightOn\n")),
                 qPrintable(after));

        const Designed drawn(after);
        QVERIFY(drawn.render->errors().isEmpty());
        const Shape &added = drawn.layout.shapes().last();
        QCOMPARE(int(added.kind), kind);
        QVERIFY(!added.bounds.isEmpty());
        QCOMPARE(added.ink.statement >= 0 || added.kind == ShapeKind::Button, true);
    }

    // At the end of a script without screens, and without a final line break.
    void insertsAtTheEnd()
    {
        const QString script = QStringLiteral("Cls");
        const Designed designed(script);
        Insertion insertion;
        insertion.shape = NewShape::Image;
        insertion.panelPoint = {7, 8};
        insertion.image = 3;
        const int line = insertionLine(screensOf(designed.render->script()), script, 1);
        QCOMPARE(applied(script, insertShape(designed.layout, insertion, script, line)),
                 QStringLiteral("Cls\nSetXHY 7 8\nPUT_SF_ICON 3"));
        QCOMPARE(
            applied(QStringLiteral("Cls\r\n"), insertShape(designed.layout, insertion, script, 2)),
            QStringLiteral("Cls\r\nSetXHY 7 8\r\nPUT_SF_ICON 3\r\n"));
    }

    void insertsWithTheBlocksIndent_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("indent");
        QTest::newRow("two spaces") << "screen \"A\"\n  Cls\nend\n"
                                    << "  ";
        QTest::newRow("a tab, a blank line last") << "screen \"A\"\n\tCls\n\nend\n"
                                                  << "\t";
        QTest::newRow("an empty screen") << "screen \"A\"\nend\n"
                                         << "    ";
        QTest::newRow("a comment at the margin last") << "screen \"A\"\n  Cls\n# done\nend\n"
                                                      << "    ";
    }

    // Statements added to a screen take the indent its statements have.
    void insertsWithTheBlocksIndent()
    {
        QFETCH(QString, script);
        QFETCH(QString, indent);
        const Designed designed(script);
        const int line = insertionLine(screensOf(designed.render->script()), script, 1);
        Insertion insertion;
        insertion.shape = NewShape::Image;
        insertion.panelPoint = {7, 8};
        const QString after =
            applied(script, insertShape(designed.layout, insertion, script, line));
        QVERIFY2(after.endsWith(indent + "SetXHY 7 8\n" + indent + "PUT_SF_ICON 0\nend\n"),
                 qPrintable(after));
    }

    void snapping()
    {
        const QVector<QRect> others{QRect(100, 50, 40, 20)};
        SnapSettings settings;
        // The left edge 3 pixels off another's: it lines up, with a guide.
        const Snap edge = snapMove(QRect(10, 150, 50, 30), {93, 0}, others, settings);
        QCOMPARE(edge.delta.x(), 90);
        QCOMPARE(edge.guides.size(), 1);
        QCOMPARE(edge.guides.first().orientation, Qt::Vertical);
        QCOMPARE(edge.guides.first().at, 100);
        QCOMPARE(edge.guides.first().from, 50);
        QCOMPARE(edge.delta.y(), 2); // the top went to the grid
        QCOMPARE(edge.guides.first().to, 181);
        // Centres line up too: a 20-wide box whose centre is 2 off 120.
        const Snap centre = snapMove(QRect(0, 200, 20, 10), {112, 0}, others, settings);
        QCOMPARE(centre.delta.x(), 110);
        // Nothing near: the top-left corner goes to the grid.
        const Snap grid = snapMove(QRect(0, 200, 20, 10), {13, -3}, others, settings);
        QCOMPARE(grid.delta, QPoint(16, 0));
        QVERIFY(grid.guides.isEmpty());
        settings.grid = 0;
        QCOMPARE(snapMove(QRect(0, 200, 20, 10), {13, -3}, others, settings).delta, QPoint(13, -3));
        // A handle finds a corner.
        const Snap point = snapPoint({138, 72}, others, settings);
        QCOMPARE(point.delta, QPoint(139, 69));
        QCOMPARE(point.guides.size(), 2);
    }

private:
    static preview::RenderContext cardWithLogo()
    {
        static QTemporaryDir card;
        static const bool made = [] {
            QImage logo(24, 16, QImage::Format_RGB32);
            logo.fill(Qt::red);
            return logo.save(card.filePath(QStringLiteral("LOGO.BMP")), "BMP");
        }();
        Q_UNUSED(made);
        preview::RenderContext context;
        context.setCardFolder(card.path());
        return context;
    }

    static QString capturedScript();
};

#include "commands/frames.h"
#include "script/scriptfromcapture.h"

QString TestDesignEdits::capturedScript()
{
    QVector<TrafficRecord> records;
    const auto sent = [&](Command command, const ArgValues &values, const QString &text = {}) {
        for (const QByteArray &bytes : commandWrites(command, values, text))
            records.append(TrafficRecord{Direction::Sent, qint64(records.size()), bytes});
    };
    sent(Command::SetColorH, {0x001F});
    sent(Command::SetXHY, {30, 40});
    sent(Command::BoxHFill, {90, 80});
    sent(Command::SetXHY, {150, 60});
    sent(Command::CircleRH, {25});
    sent(Command::PrintString, {}, QStringLiteral("from a capture"));
    sent(Command::ButtonDef, {1, 1, 0, 0, 0, 200, 180, 60, 30});
    return script::scriptFromRecords(records, QStringLiteral("test"));
}

QTEST_GUILESS_MAIN(TestDesignEdits)
#include "tst_designedits.moc"

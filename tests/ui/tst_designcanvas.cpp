// The preview as an editable view of the script, in the real window: shapes
// selected both ways, dragged and resized with the mouse, nudged with the
// arrow keys, snapped, each gesture one undo step of the editor; shapes that
// cannot move; the cursor's screen; rulers. The smallest text replacement and
// the gesture's undo step are checked on their own first.
#include "common/filedialogs.h"
#include "common/previewtest.h"
#include "design/edits.h"
#include "design/layout.h"
#include "preview/previewfiles.h"
#include "ui/designcanvas.h"
#include "ui/previewpane.h"
#include "ui/ruler.h"
#include "ui/scripteditor.h"
#include "ui/shapedrag.h"

#include <QCheckBox>
#include <QComboBox>
#include <QRegularExpression>
#include <QSlider>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QtTest>

#include <algorithm>

Q_DECLARE_METATYPE(design::Handle)

namespace {

// Snapping off, so a drag lands where the mouse put it.
constexpr Qt::KeyboardModifiers noSnapping = Qt::AltModifier;

} // namespace

class TestDesignCanvas : public QObject
{
    Q_OBJECT

    std::unique_ptr<BenchWindow> bench;

    ScriptEditor *editor() const { return bench->get<ScriptEditor>("scriptEditor"); }
    PreviewPane *pane() const { return bench->get<PreviewPane>("scriptPreview"); }
    DesignCanvas *canvas() const { return bench->get<DesignCanvas>("previewScreen"); }
    QString text() const { return editor()->toPlainText(); }

    void showScript(const QString &script) { QVERIFY(showScriptIn(*bench, script)); }

    QPoint widgetPoint(QPoint pixel) const
    {
        return canvas()->widgetRect({pixel, QSize(1, 1)}).center().toPoint();
    }

    // The handles the shape drawn on `line` offers.
    QVector<design::HandleSpot> handlesAt(int line) const
    {
        const design::Layout layout(pane()->render());
        const int shape = layout.shapeAtLine(line);
        return shape < 0 ? QVector<design::HandleSpot>()
                         : design::handlesOf(layout, layout.shapes().at(shape));
    }

    // A pixel the statement on `line` wrote and still shows, away from its
    // shape's handles: a press there takes the body.
    QPoint pixelOf(int line) const
    {
        const preview::ScreenRender &render = pane()->render();
        const preview::RenderedScreen screen = render.screen();
        const QRect drawn = render.drawnBy(render.statementAtLine(line));
        const QVector<design::HandleSpot> handles = handlesAt(line);
        for (int y = drawn.top(); y <= drawn.bottom(); ++y) {
            for (int x = drawn.left(); x <= drawn.right(); ++x) {
                const int writer = screen.writer({x, y});
                const bool nearHandle = std::any_of(
                    handles.cbegin(), handles.cend(), [x, y](const design::HandleSpot &spot) {
                        return (spot.panel - QPoint(x, y)).manhattanLength() <= 6;
                    });
                if (writer >= 0 && render.position(writer).line == line && !nearHandle)
                    return {x, y};
            }
        }
        return {-1, -1};
    }

    // QTest's own moves carry neither the held button nor modifiers under
    // Qt 5, so moves are sent as the window system would send them.
    void moveTo(QPoint pixel, Qt::KeyboardModifiers modifiers,
                Qt::MouseButtons buttons = Qt::LeftButton)
    {
        const QPoint widget = widgetPoint(pixel);
        QMouseEvent move(QEvent::MouseMove, widget, canvas()->mapToGlobal(widget), Qt::NoButton,
                         buttons, modifiers);
        QApplication::sendEvent(canvas(), &move);
    }

    void press(QPoint pixel, Qt::KeyboardModifiers modifiers = noSnapping)
    {
        QTest::mousePress(canvas(), Qt::LeftButton, modifiers, widgetPoint(pixel));
    }

    void release(QPoint pixel, Qt::KeyboardModifiers modifiers = noSnapping)
    {
        QTest::mouseRelease(canvas(), Qt::LeftButton, modifiers, widgetPoint(pixel));
    }

    // Presses on `from`, goes by `delta` in three moves, releases.
    void drag(QPoint from, QPoint delta, Qt::KeyboardModifiers modifiers = noSnapping)
    {
        press(from, modifiers);
        for (int part = 1; part <= 3; ++part)
            moveTo(from + delta * part / 3, modifiers);
        release(from + delta, modifiers);
    }

    void undo() { QTest::keyClick(editor(), Qt::Key_Z, Qt::ControlModifier); }

    // The window's picture is the simulator's for the editor's text as it is now.
    void expectFreshPicture()
    {
        preview::ScreenRender fresh(pane()->render().context());
        fresh.setText(text());
        QTRY_COMPARE(pane()->image(), fresh.screen().shown());
    }

private slots:
    void init()
    {
        bench = std::make_unique<BenchWindow>();
        bench->get<QTabWidget>("tabbedWindow")->setCurrentWidget(bench->get<QWidget>("tab_7"));
    }

    void cleanup() { bench.reset(); }

    void theSpliceIsTheSmallestReplacement_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("removed");
        QTest::newRow("same") << "boxH 40 30"
                              << "boxH 40 30" << 10 << 0;
        QTest::newRow("longer number") << "SetXHY 9 9"
                                       << "SetXHY 10 9" << 7 << 1;
        QTest::newRow("repeated characters") << "aa"
                                             << "aaa" << 2 << 0;
        QTest::newRow("line added") << "A\nB\n"
                                    << "A\nX\nB\n"
                                    << 2 << 0;
        QTest::newRow("to nothing") << "abc"
                                    << "" << 0 << 3;
    }

    void theSpliceIsTheSmallestReplacement()
    {
        QFETCH(QString, before);
        QFETCH(QString, after);
        QFETCH(int, start);
        QFETCH(int, removed);
        const TextSplice splice = spliceBetween(before, after);
        QCOMPARE(splice.start, start);
        QCOMPARE(splice.removed, removed);
        QCOMPARE(before.replace(splice.start, splice.removed, splice.inserted), after);
    }

    // However many changes a gesture makes, one undo takes it back, typing
    // before it stays its own step, and cancelling leaves the text as it was.
    void aGestureIsOneUndoStep()
    {
        QTextDocument document(QStringLiteral("SetXHY 10 10"));
        QTextCursor(&document).insertText(QStringLiteral("Cls\n"));
        const QString typed = document.toPlainText();
        DocumentGesture gesture(&document);
        gesture.show(typed); // nothing differs: no step
        QVERIFY(!gesture.changed());
        for (const char *step : {"Cls\nSetXHY 11 10", "Cls\nSetXHY 12 11"})
            gesture.show(QLatin1String(step));
        document.undo();
        QCOMPARE(document.toPlainText(), typed);
        document.undo();
        QCOMPARE(document.toPlainText(), QStringLiteral("SetXHY 10 10"));

        document.redo();
        DocumentGesture cancelled(&document);
        cancelled.show(QStringLiteral("changed"));
        cancelled.cancel();
        QCOMPARE(document.toPlainText(), typed);
    }

    void aDragEditsEachKindOfShape_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("line"); // of the drawing statement
        QTest::addColumn<design::Handle>("handle");
        QTest::addColumn<QPoint>("delta");
        QTest::addColumn<QString>("edited");
        const auto row = [](const char *name, const QString &script, int line,
                            design::Handle handle, QPoint delta, const QString &edited) {
            const QString red = QStringLiteral("SetColorH #ff0000\n");
            const bool card = script.contains("sdPutIcon"); // drawn in its own colours
            QTest::newRow(name) << (card ? script : red + script) << line + !card << handle << delta
                                << (card ? edited : red + edited);
        };
        using H = design::Handle;
        row("box", "SetXHY 10 10\nboxH 40 30\n", 2, H::Body, {6, 4}, "SetXHY 16 14\nboxH 46 34\n");
        row("filled box", "SetXHY 10 10\nboxHFill 40 30\n", 2, H::Body, {-5, 7},
            "SetXHY 5 17\nboxHFill 35 37\n");
        row("circle", "SetXHY 100 100\ncircleRH 20\n", 2, H::Body, {-7, 5},
            "SetXHY 93 105\ncircleRH 20\n");
        row("arc", "SetXHY 100 100\narcH 30 0 180\n", 2, H::Body, {12, -9},
            "SetXHY 112 91\narcH 30 0 180\n");
        row("line", "SetXHY 10 10\nLINE_TO_XHY 50 40\n", 2, H::Body, {5, 5},
            "SetXHY 15 15\nLINE_TO_XHY 55 45\n");
        row("text", "SetXHY 20 30\nprintString \"Hello\"\n", 2, H::Body, {30, 20},
            "SetXHY 50 50\nprintString \"Hello\"\n");
        row("image", "SetXHY 20 20\nsdPutIcon \"PIC.VXP\"\n", 2, H::Body, {6, 4},
            "SetXHY 26 24\nsdPutIcon \"PIC.VXP\"\n");
        row("touch button", "buttonDef 1 1 0 0 0 10 100 90 30 as \"Go\"\n", 1, H::Body, {5, -3},
            "buttonDef 1 1 0 0 0 15 97 90 30 as \"Go\"\n");
        row("circle sharing its position", "SetXHY 100 100\ncircleRH 10\ncircleRH 20\n", 3, H::Body,
            {5, 0}, "SetXHY 100 100\ncircleRH 10\nSetXHY 105 100\ncircleRH 20\n");
        row("box corner", "SetXHY 10 10\nboxH 40 30\n", 2, H::BottomRight, {10, 5},
            "SetXHY 10 10\nboxH 50 35\n");
        row("circle radius", "SetXHY 100 100\ncircleRH 20\n", 2, H::Radius, {7, 0},
            "SetXHY 100 100\ncircleRH 27\n");
        row("line end", "SetXHY 10 10\nLINE_TO_XHY 50 40\n", 2, H::End, {5, -5},
            "SetXHY 10 10\nLINE_TO_XHY 55 35\n");
    }

    // The drag's numbers land in the editor, the picture is the edited
    // script's, and one undo gives back the text byte for byte. A handle is
    // taken once a click has selected the shape, and with it its lines.
    void aDragEditsEachKindOfShape()
    {
        QFETCH(QString, script);
        QFETCH(int, line);
        QFETCH(design::Handle, handle);
        QFETCH(QPoint, delta);
        QFETCH(QString, edited);
        QTemporaryDir card;
        writeFile(card.path(), "PIC.VXP", vxpImage(12, 12, 0xF800));
        chooseFolder(card.path());
        bench->click("previewCard");
        QTRY_VERIFY(bench->status().contains("card files"));
        showScript(script);

        QPoint from = pixelOf(line);
        QVERIFY2(from.x() >= 0, "the shape shows no pixel of its own");
        if (handle != design::Handle::Body) {
            QTest::mouseClick(canvas(), Qt::LeftButton, {}, widgetPoint(from));
            const QTextCursor selected = editor()->textCursor();
            QCOMPARE(selected.selection().toPlainText(), text().section('\n', line - 2, line - 1));
            for (const design::HandleSpot &spot : handlesAt(line))
                if (spot.handle == handle)
                    from = spot.panel;
            QVERIFY(canvas()->handles().contains(from));
        }
        QSignalSpy said(pane(), &PreviewPane::status);
        drag(from, delta);
        QCOMPARE(text(), edited);
        expectFreshPicture();
        // A statement added for the shape alone is said in the status bar;
        // a button pressed says what the press reports, as ever.
        QStringList messages;
        for (const QList<QVariant> &arguments : said)
            messages << arguments.at(0).toString();
        const int reports = messages.filter(QRegularExpression("^A press on button 1")).size();
        QCOMPARE(reports > 0, script.contains("buttonDef"));
        QCOMPARE(messages.size() > reports, edited.count('\n') != script.count('\n'));
        undo();
        QCOMPARE(text(), script);
        expectFreshPicture();
    }

    // The cursor in the editor selects the shape there; each press of an
    // arrow moves it one pixel, with Shift ten, each its own undo step.
    void arrowsNudgeTheSelection()
    {
        const QString script = QStringLiteral("SetColorH #ffffff\nSetXHY 10 10\nboxH 40 30\n");
        showScript(script);
        editor()->showPosition(3, 1);
        QVERIFY(!canvas()->handles().isEmpty());
        QTest::keyClick(canvas(), Qt::Key_Right);
        QCOMPARE(text(), QStringLiteral("SetColorH #ffffff\nSetXHY 11 10\nboxH 41 30\n"));
        QTest::keyClick(canvas(), Qt::Key_Down, Qt::ShiftModifier);
        QTest::keyClick(canvas(), Qt::Key_Left, Qt::ShiftModifier);
        QTest::keyClick(canvas(), Qt::Key_Up);
        QCOMPARE(text(), QStringLiteral("SetColorH #ffffff\nSetXHY 1 19\nboxH 31 39\n"));
        expectFreshPicture();
        undo();
        undo();
        QCOMPARE(text(), QStringLiteral("SetColorH #ffffff\nSetXHY 11 20\nboxH 41 40\n"));
        undo();
        undo();
        QCOMPARE(text(), script);
        // The preview takes the editor's undo and redo keys too.
        editor()->showPosition(3, 1);
        QTest::keyClick(canvas(), Qt::Key_Right);
        QCOMPARE(text(), QStringLiteral("SetColorH #ffffff\nSetXHY 11 10\nboxH 41 30\n"));
        QTest::keyClick(canvas(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(text(), script);
        QTest::keyClick(canvas(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(text(), QStringLiteral("SetColorH #ffffff\nSetXHY 11 10\nboxH 41 30\n"));
    }

    // A drag let go where it began leaves the text and the undo stack as
    // they were.
    void aDragBackLeavesNoStep()
    {
        const QString script = QStringLiteral("SetColorH #ffffff\nSetXHY 10 10\nboxH 40 30\n");
        showScript(script);
        const int steps = editor()->document()->availableUndoSteps();
        const QPoint from = pixelOf(3);
        press(from);
        moveTo(from + QPoint(20, 20), noSnapping);
        moveTo(from, noSnapping);
        release(from);
        QCOMPARE(text(), script);
        QCOMPARE(editor()->document()->availableUndoSteps(), steps);
    }

    void snappingLandsOnAnEdge_data()
    {
        QTest::addColumn<bool>("alt");
        QTest::addColumn<QString>("edited");
        // The second box's left edge comes to 98, two short of the first's.
        QTest::newRow("on the other's edge") << false << "SetXHY 100 50\nboxH 120 70\n";
        QTest::newRow("Alt: where the mouse is") << true << "SetXHY 98 50\nboxH 118 70\n";
    }

    // The other shape's edge takes hold of a shape dragged near it, with a
    // guide drawn while the drag lasts.
    void snappingLandsOnAnEdge()
    {
        QFETCH(bool, alt);
        QFETCH(QString, edited);
        const Qt::KeyboardModifiers modifiers = alt ? noSnapping : Qt::NoModifier;
        const QString fixed = QStringLiteral("SetColorH #ffffff\nSetXHY 100 10\nboxH 140 30\n");
        showScript(fixed + "SetXHY 60 50\nboxH 80 70\n");
        const QPoint from = pixelOf(5);
        press(from, modifiers);
        moveTo(from + QPoint(38, 0), modifiers);
        const QVector<design::Guide> &guides = canvas()->guides();
        QCOMPARE(std::any_of(guides.cbegin(), guides.cend(),
                             [](const design::Guide &guide) {
                                 return guide.orientation == Qt::Vertical && guide.at == 100;
                             }),
                 !alt);
        release(from + QPoint(38, 0), modifiers);
        QVERIFY(canvas()->guides().isEmpty());
        QCOMPARE(text(), fixed + edited);
    }

    // With the grid on, a shape's corner settles on a multiple of 8.
    void theGridTakesHold()
    {
        bench->get<QCheckBox>("previewGrid")->setChecked(true);
        showScript("SetColorH #ffffff\nSetXHY 10 10\nboxH 30 30\n");
        drag(pixelOf(3), QPoint(5, 5), {});
        QCOMPARE(text(), QStringLiteral("SetColorH #ffffff\nSetXHY 16 16\nboxH 36 36\n"));
    }

    // Moves during a drag are drawn at once, one render for a burst of them.
    void aDragIsDrawnAsItGoes()
    {
        showScript("SetColorH #ffffff\nSetXHY 10 10\nboxHFill 40 30\n");
        const QPoint from = pixelOf(3);
        press(from);
        QSignalSpy rendered(pane(), &PreviewPane::rendered);
        for (int x = 1; x <= 4; ++x)
            moveTo(from + QPoint(x * 10, 0), noSnapping);
        QCOMPARE(rendered.count(), 0);
        QCoreApplication::processEvents();
        QCOMPARE(rendered.count(), 1);
        expectFreshPicture();
        release(from);
    }

    // Escape during a drag puts the text back as the press found it.
    void escapeCancelsADrag()
    {
        const QString script = QStringLiteral("SetColorH #ffffff\nSetXHY 10 10\nboxH 40 30\n");
        showScript(script);
        const QPoint from = pixelOf(3);
        press(from);
        moveTo(from + QPoint(20, 20), noSnapping);
        QVERIFY(text() != script);
        QTest::keyClick(canvas(), Qt::Key_Escape);
        QCOMPARE(text(), script);
        moveTo(from + QPoint(30, 30), noSnapping);
        release(from);
        QCOMPARE(text(), script);
        expectFreshPicture();
    }

    // A shape drawn inside a repeat is outlined without handles; a drag or
    // an arrow leaves it and says why.
    void aShapeInARepeatStaysPut()
    {
        const QString script = QStringLiteral("SetColorH #ffffff\nrepeat 2\n    SetXHY 10 10\n"
                                              "    boxH 40 30\nend\n");
        showScript(script);
        QSignalSpy said(pane(), &PreviewPane::status);
        drag(pixelOf(4), QPoint(10, 10));
        QTest::keyClick(canvas(), Qt::Key_Right);
        QCOMPARE(text(), script);
        QVERIFY(canvas()->handles().isEmpty());
        QVERIFY(said.size() >= 2);
        QVERIFY(!said.first().at(0).toString().isEmpty());
        QCOMPARE(said.last(), said.first());
    }

    // The preview shows the screen holding the cursor, as it stands at its
    // end, until the slider is moved away from it.
    void theCursorsScreenIsShown()
    {
        showScript("SetColorH #ff0000\n"
                   "screen \"Main\"\n    SetXHY 0 0\n    boxHFill 50 50\nend\n"
                   "screen \"Other\"\n    SetColorH #0000ff\n    Cls\nend\n");
        auto *slider = bench->get<QSlider>("previewStep");
        const preview::ScreenRender &render = pane()->render();
        QCOMPARE(slider->value(), render.stepCount()); // outside any screen: the end
        QCOMPARE(pane()->image().pixelColor(10, 10), QColor(Qt::blue));

        editor()->showPosition(3, 1);
        QCOMPARE(slider->value(), render.stepsThrough(5));
        QCOMPARE(pane()->image().pixelColor(10, 10), QColor(Qt::red));
        editor()->showPosition(8, 1);
        QCOMPARE(slider->value(), render.stepsThrough(9));
        QCOMPARE(pane()->image().pixelColor(10, 10), QColor(Qt::blue));

        slider->setValue(1);
        editor()->showPosition(3, 1);
        QCOMPARE(slider->value(), 1);
    }

    // The rulers mark the pixel under the mouse and follow the zoom.
    void rulersFollowTheMouseAndTheZoom()
    {
        showScript("SetXHY 10 10\nboxH 40 30\n");
        auto *top = bench->get<Ruler>("previewTopRuler");
        auto *left = bench->get<Ruler>("previewLeftRuler");
        moveTo({37, 21}, {}, Qt::NoButton);
        QCOMPARE(top->mark(), 37);
        QCOMPARE(left->mark(), 21);
        auto *zoom = bench->get<QComboBox>("previewZoom");
        zoom->setCurrentIndex(0);
        const double atOne = top->placeOf(100) - top->placeOf(0);
        zoom->setCurrentIndex(2);
        QCOMPARE(top->placeOf(100) - top->placeOf(0), 3 * atOne);
        QCOMPARE(left->placeOf(50) - left->placeOf(0), 50 * 3.0);
    }
};

QTEST_MAIN(TestDesignCanvas)
#include "tst_designcanvas.moc"

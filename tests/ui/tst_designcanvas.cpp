// The preview as an editable view of the script, in the real window: shapes
// selected both ways, dragged and resized with the mouse, nudged with the
// arrow keys, snapped, each gesture one undo step of the editor; shapes that
// cannot move; the cursor's screen; rulers. The smallest text replacement and
// the gesture's undo step are checked on their own first.
#include "common/filedialogs.h"
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
#include <QSlider>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
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

    void showScript(const QString &script)
    {
        QSignalSpy rendered(pane(), &PreviewPane::rendered);
        editor()->setPlainText(script);
        QVERIFY(rendered.wait(2000));
    }

    QPoint widgetPoint(QPoint pixel) const
    {
        return canvas()->widgetRect({pixel, QSize(1, 1)}).center().toPoint();
    }

    // A pixel the statement on `line` wrote and still shows, away from its
    // shape's handles: a press there takes the body.
    QPoint pixelOf(int line) const
    {
        const preview::ScreenRender &render = pane()->render();
        const preview::RenderedScreen screen = render.screen();
        const QRect drawn = render.drawnBy(render.statementAtLine(line));
        const QVector<QPoint> handles = handlesAt(line);
        const auto nearHandle = [&handles](QPoint pixel) {
            return std::any_of(handles.cbegin(), handles.cend(), [pixel](QPoint handle) {
                return (handle - pixel).manhattanLength() <= 6;
            });
        };
        for (int y = drawn.top(); y <= drawn.bottom(); ++y) {
            for (int x = drawn.left(); x <= drawn.right(); ++x) {
                const int writer = screen.writer({x, y});
                if (writer >= 0 && render.position(writer).line == line && !nearHandle({x, y}))
                    return {x, y};
            }
        }
        return {-1, -1};
    }

    QVector<QPoint> handlesAt(int line) const
    {
        const design::Layout layout(pane()->render());
        const int shape = layout.shapeAtLine(line);
        QVector<QPoint> spots;
        if (shape >= 0)
            for (const design::HandleSpot &spot :
                 design::handlesOf(layout, layout.shapes().at(shape)))
                spots << spot.panel;
        return spots;
    }

    // QTest's own moves carry neither the held button nor modifiers under
    // Qt 5, so moves are sent as the window system would send them.
    void moveTo(QPoint widget, Qt::KeyboardModifiers modifiers,
                Qt::MouseButtons buttons = Qt::LeftButton)
    {
        QMouseEvent move(QEvent::MouseMove, widget, canvas()->mapToGlobal(widget), Qt::NoButton,
                         buttons, modifiers);
        QApplication::sendEvent(canvas(), &move);
    }

    // Presses on `from`, moves there by `delta` in three moves, releases.
    void drag(QPoint fromPixel, QPoint delta, Qt::KeyboardModifiers modifiers = noSnapping)
    {
        const QPoint start = widgetPoint(fromPixel);
        QTest::mousePress(canvas(), Qt::LeftButton, modifiers, start);
        for (int part = 1; part <= 3; ++part)
            moveTo(widgetPoint(fromPixel + delta * part / 3), modifiers);
        QTest::mouseRelease(canvas(), Qt::LeftButton, modifiers, widgetPoint(fromPixel + delta));
    }

    void undo() { QTest::keyClick(editor(), Qt::Key_Z, Qt::ControlModifier); }

    // The window's picture is the simulator's for the editor's text as it is now.
    void expectFreshPicture()
    {
        preview::ScreenRender fresh(pane()->render().context());
        fresh.setText(text());
        QTRY_COMPARE(pane()->image(), fresh.screen().shown());
    }

    // Where the handle of the shape drawn on `line` stands.
    QPoint handleOf(int line, design::Handle handle) const
    {
        const design::Layout layout(pane()->render());
        const int shape = layout.shapeAtLine(line);
        if (shape < 0)
            return {-1, -1};
        for (const design::HandleSpot &spot : design::handlesOf(layout, layout.shapes().at(shape)))
            if (spot.handle == handle)
                return spot.panel;
        return {-1, -1};
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
        QTest::addColumn<QString>("inserted");
        QTest::newRow("same") << "boxH 40 30"
                              << "boxH 40 30" << 10 << 0 << "";
        QTest::newRow("one digit") << "boxH 40 30\n"
                                   << "boxH 45 30\n"
                                   << 6 << 1 << "5";
        QTest::newRow("longer number") << "SetXHY 9 9"
                                       << "SetXHY 10 9" << 7 << 1 << "10";
        QTest::newRow("repeated characters") << "aa"
                                             << "aaa" << 2 << 0 << "a";
        QTest::newRow("line added") << "A\nB\n"
                                    << "A\nX\nB\n"
                                    << 2 << 0 << "X\n";
        QTest::newRow("all of it") << "abc"
                                   << "xyz" << 0 << 3 << "xyz";
        QTest::newRow("to nothing") << "abc"
                                    << "" << 0 << 3 << "";
        QTest::newRow("from nothing") << ""
                                      << "abc" << 0 << 0 << "abc";
    }

    void theSpliceIsTheSmallestReplacement()
    {
        QFETCH(QString, before);
        QFETCH(QString, after);
        QFETCH(int, start);
        QFETCH(int, removed);
        QFETCH(QString, inserted);
        const TextSplice splice = spliceBetween(before, after);
        QCOMPARE(splice.start, start);
        QCOMPARE(splice.removed, removed);
        QCOMPARE(splice.inserted, inserted);
        QCOMPARE(QString(before).replace(splice.start, splice.removed, splice.inserted), after);
    }

    // However many changes a gesture makes, one undo takes it back, typing
    // before it stays its own step, and cancelling leaves the text as it was.
    void aGestureIsOneUndoStep()
    {
        QTextDocument document(QStringLiteral("SetXHY 10 10\nboxH 40 30"));
        QTextCursor typing(&document);
        typing.movePosition(QTextCursor::End);
        typing.insertText(QStringLiteral("\nCls"));
        const QString typed = document.toPlainText();

        DocumentGesture gesture(&document);
        gesture.show(typed); // nothing differs: no step
        QVERIFY(!gesture.changed());
        for (const char *step : {"SetXHY 11 10", "SetXHY 12 11", "SetXHY 13 12"})
            gesture.show(QString(typed).replace("SetXHY 10 10", QLatin1String(step)));
        QCOMPARE(document.toPlainText(), QString(typed).replace("10 10", "13 12"));
        document.undo();
        QCOMPARE(document.toPlainText(), typed);
        document.undo();
        QCOMPARE(document.toPlainText(), QStringLiteral("SetXHY 10 10\nboxH 40 30"));

        document.redo();
        DocumentGesture cancelled(&document);
        cancelled.show(QStringLiteral("changed"));
        cancelled.cancel();
        QCOMPARE(document.toPlainText(), typed);
    }

    void aDragMovesEachKindOfShape_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("line"); // of the drawing statement
        QTest::addColumn<QPoint>("delta");
        QTest::addColumn<QString>("edited");
        const QString red = QStringLiteral("SetColorH #ff0000\n");
        QTest::newRow("box") << red + "SetXHY 10 10\nboxH 40 30\n"
                             << 3 << QPoint(6, 4) << red + "SetXHY 16 14\nboxH 46 34\n";
        QTest::newRow("filled box") << red + "SetXHY 10 10\nboxHFill 40 30\n"
                                    << 3 << QPoint(-5, 7) << red + "SetXHY 5 17\nboxHFill 35 37\n";
        QTest::newRow("circle") << red + "SetXHY 100 100\ncircleRH 20\n"
                                << 3 << QPoint(-7, 5) << red + "SetXHY 93 105\ncircleRH 20\n";
        QTest::newRow("arc") << red + "SetXHY 100 100\narcH 30 0 180\n"
                             << 3 << QPoint(12, -9) << red + "SetXHY 112 91\narcH 30 0 180\n";
        QTest::newRow("line") << red + "SetXHY 10 10\nLINE_TO_XHY 50 40\n"
                              << 3 << QPoint(5, 5) << red + "SetXHY 15 15\nLINE_TO_XHY 55 45\n";
        QTest::newRow("text") << red + "SetXHY 20 30\nprintString \"Hello\"\n"
                              << 3 << QPoint(30, 20)
                              << red + "SetXHY 50 50\nprintString \"Hello\"\n";
        QTest::newRow("image") << "SetXHY 20 20\nsdPutIcon \"PIC.VXP\"\n"
                               << 2 << QPoint(6, 4) << "SetXHY 26 24\nsdPutIcon \"PIC.VXP\"\n";
        QTest::newRow("circle sharing its position")
            << red + "SetXHY 100 100\ncircleRH 10\ncircleRH 20\n"
            << 4 << QPoint(5, 0)
            << red + "SetXHY 100 100\ncircleRH 10\nSetXHY 105 100\ncircleRH 20\n";
        QTest::newRow("touch button")
            << "buttonDef 1 1 0 0 0 10 100 90 30 as \"Go\"\n"
            << 1 << QPoint(5, -3) << "buttonDef 1 1 0 0 0 15 97 90 30 as \"Go\"\n";
    }

    // The drag's numbers land in the editor, the picture is the edited
    // script's, and one undo gives back the text byte for byte.
    void aDragMovesEachKindOfShape()
    {
        QFETCH(QString, script);
        QFETCH(int, line);
        QFETCH(QPoint, delta);
        QFETCH(QString, edited);
        QTemporaryDir card;
        writeFile(card.path(), "PIC.VXP", vxpImage(12, 12, 0xF800));
        chooseFolder(card.path());
        bench->click("previewCard");
        QTRY_VERIFY(bench->status().contains("card files"));
        showScript(script);

        const QPoint pixel = pixelOf(line);
        QVERIFY2(pixel.x() >= 0, "the shape shows no pixel of its own");
        QSignalSpy said(pane(), &PreviewPane::status);
        drag(pixel, delta);
        QCOMPARE(text(), edited);
        // A statement added for the shape alone is said in the status bar;
        // a button pressed says what the press reports, as ever.
        const bool noted = std::any_of(said.cbegin(), said.cend(), [](const QList<QVariant> &args) {
            return !args.at(0).toString().startsWith("A press on button");
        });
        QCOMPARE(noted, edited.count('\n') != script.count('\n'));
        expectFreshPicture();
        undo();
        QCOMPARE(text(), script);
        expectFreshPicture();
    }

    void aHandleResizes_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<design::Handle>("handle");
        QTest::addColumn<QPoint>("delta");
        QTest::addColumn<QString>("edited");
        QTest::newRow("box corner")
            << "SetXHY 10 10\nboxH 40 30\n"
            << design::Handle::BottomRight << QPoint(10, 5) << "SetXHY 10 10\nboxH 50 35\n";
        QTest::newRow("circle radius")
            << "SetXHY 100 100\ncircleRH 20\n"
            << design::Handle::Radius << QPoint(7, 0) << "SetXHY 100 100\ncircleRH 27\n";
        QTest::newRow("line end") << "SetXHY 10 10\nLINE_TO_XHY 50 40\n"
                                  << design::Handle::End << QPoint(5, -5)
                                  << "SetXHY 10 10\nLINE_TO_XHY 55 35\n";
    }

    void aHandleResizes()
    {
        QFETCH(QString, script);
        QFETCH(design::Handle, handle);
        QFETCH(QPoint, delta);
        QFETCH(QString, edited);
        showScript("SetColorH #ffffff\n" + script);
        QTest::mouseClick(canvas(), Qt::LeftButton, {}, widgetPoint(pixelOf(3)));
        QCOMPARE(editor()->textCursor().blockNumber() + 1, 3);
        QVERIFY(!canvas()->handles().isEmpty());

        const QPoint spot = handleOf(3, handle);
        QVERIFY(canvas()->handles().contains(spot));
        drag(spot, delta);
        QCOMPARE(text(), "SetColorH #ffffff\n" + edited);
        expectFreshPicture();
        undo();
        QCOMPARE(text(), "SetColorH #ffffff\n" + script);
    }

    // A click selects the shape's lines; the cursor moved in the editor
    // selects the shape there, with its handles.
    void selectionGoesBothWays()
    {
        const QString script = QStringLiteral("SetColorH #ffffff\nSetXHY 10 10\nboxHFill 40 30\n"
                                              "SetXHY 100 100\ncircleRH 20\n");
        showScript(script);
        QTest::mouseClick(canvas(), Qt::LeftButton, {}, widgetPoint(pixelOf(3)));
        const QTextCursor selected = editor()->textCursor();
        QCOMPARE(selected.selectedText(), QStringLiteral("SetXHY 10 10\u2029boxHFill 40 30"));
        QCOMPARE(text(), script); // a click is no edit

        editor()->showPosition(5, 1);
        QTRY_VERIFY(canvas()->handles().contains(handleOf(5, design::Handle::Radius)));
        QVERIFY(!canvas()->handles().contains(handleOf(3, design::Handle::BottomRight)));
    }

    // Each press of an arrow is one pixel, with Shift ten, each its own undo step.
    void arrowsNudgeTheSelection()
    {
        const QString script = QStringLiteral("SetColorH #ffffff\nSetXHY 10 10\nboxH 40 30\n");
        showScript(script);
        QTest::mouseClick(canvas(), Qt::LeftButton, {}, widgetPoint(pixelOf(3)));
        QTest::keyClick(canvas(), Qt::Key_Right);
        QCOMPARE(text(), QStringLiteral("SetColorH #ffffff\nSetXHY 11 10\nboxH 41 30\n"));
        QTest::keyClick(canvas(), Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(text(), QStringLiteral("SetColorH #ffffff\nSetXHY 11 20\nboxH 41 40\n"));
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
        const Qt::KeyboardModifiers modifiers = alt ? noSnapping : Qt::NoModifier;
        QFETCH(QString, edited);
        const QString fixed = QStringLiteral("SetColorH #ffffff\nSetXHY 100 10\nboxH 140 30\n");
        showScript(fixed + "SetXHY 60 50\nboxH 80 70\n");
        const QPoint from = pixelOf(5);
        const QPoint delta(38, 0);
        QTest::mousePress(canvas(), Qt::LeftButton, modifiers, widgetPoint(from));
        moveTo(widgetPoint(from + delta), modifiers);
        const bool guided = std::any_of(
            canvas()->guides().cbegin(), canvas()->guides().cend(), [](const design::Guide &guide) {
                return guide.orientation == Qt::Vertical && guide.at == 100;
            });
        QCOMPARE(guided, !alt);
        QTest::mouseRelease(canvas(), Qt::LeftButton, modifiers, widgetPoint(from + delta));
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
        QTest::mousePress(canvas(), Qt::LeftButton, noSnapping, widgetPoint(from));
        QSignalSpy rendered(pane(), &PreviewPane::rendered);
        for (int x = 1; x <= 4; ++x)
            moveTo(widgetPoint(from + QPoint(x * 10, 0)), noSnapping);
        QCOMPARE(rendered.count(), 0);
        QCoreApplication::processEvents();
        QCOMPARE(rendered.count(), 1);
        expectFreshPicture();
        QTest::mouseRelease(canvas(), Qt::LeftButton, noSnapping, widgetPoint(from));
    }

    // Escape during a drag puts the text back as the press found it.
    void escapeCancelsADrag()
    {
        const QString script = QStringLiteral("SetColorH #ffffff\nSetXHY 10 10\nboxH 40 30\n");
        showScript(script);
        const QPoint from = pixelOf(3);
        QTest::mousePress(canvas(), Qt::LeftButton, noSnapping, widgetPoint(from));
        moveTo(widgetPoint(from + QPoint(20, 20)), noSnapping);
        QVERIFY(text() != script);
        QTest::keyClick(canvas(), Qt::Key_Escape);
        QCOMPARE(text(), script);
        moveTo(widgetPoint(from + QPoint(30, 30)), noSnapping);
        QTest::mouseRelease(canvas(), Qt::LeftButton, noSnapping, widgetPoint(from));
        QCOMPARE(text(), script);
        expectFreshPicture();
    }

    // A shape drawn inside a repeat is outlined without handles; a drag
    // leaves it and says why.
    void aShapeInARepeatStaysPut()
    {
        const QString script = QStringLiteral("SetColorH #ffffff\nrepeat 2\n    SetXHY 10 10\n"
                                              "    boxH 40 30\nend\n");
        showScript(script);
        const QPoint from = pixelOf(4);
        QTest::mouseClick(canvas(), Qt::LeftButton, {}, widgetPoint(from));
        QVERIFY(canvas()->handles().isEmpty());
        const QString hint = bench->status();
        QVERIFY(!hint.isEmpty());
        bench->window->statusBar()->clearMessage();

        drag(from, QPoint(10, 10));
        QCOMPARE(text(), script);
        QCOMPARE(bench->status(), hint);
        QTest::keyClick(canvas(), Qt::Key_Right);
        QCOMPARE(text(), script);
    }

    // A click on a touch button still shows what a press on it reports.
    void aButtonClickShowsItsReport()
    {
        showScript("buttonDef 1 1 0 0 0 10 100 90 30\n");
        QTest::mouseClick(canvas(), Qt::LeftButton, {}, widgetPoint({50, 110}));
        QVERIFY2(bench->status().startsWith("A press on button 1"), qPrintable(bench->status()));
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
        moveTo(widgetPoint({37, 21}), {}, Qt::NoButton);
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

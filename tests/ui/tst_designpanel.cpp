// The designer's panel in the real window: palette items dropped on the
// preview or double-clicked, the inspector editing the selected shape, the
// list of screens following the cursor; and a screen made with the mouse
// alone, from an empty script to C code whose run leaves the simulator's
// panel exactly as the preview drew it.
#include "common/filedialogs.h"
#include "common/previewtest.h"
#include "common/programrun.h"
#include "common/simulatorsnapshot.h"
#include "design/edits.h"
#include "design/screens.h"
#include "hostcode/names.h"
#include "preview/previewfiles.h"
#include "preview/rendercontext.h"
#include "ui/assettables.h"
#include "ui/designcanvas.h"
#include "ui/previewpane.h"
#include "ui/screenlist.h"
#include "ui/scripteditor.h"
#include "ui/shapeinspector.h"
#include "ui/shapepalette.h"

#include <QColorDialog>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QSerialPort>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

Q_DECLARE_METATYPE(design::NewShape)
Q_DECLARE_METATYPE(design::ShapeKind)

using design::NewShape;
using design::ShapeKind;

namespace {

// Two screens indented by two spaces, set-up before them.
const QString twoScreens = QStringLiteral("SetColorH #000000\n"
                                          "screen \"Main\"\n"
                                          "  Cls\n"
                                          "  SetColorH #ffff00\n"
                                          "  SetXHY 10 10\n"
                                          "  printString \"Main\"\n"
                                          "end\n"
                                          "screen \"Other\"\n"
                                          "  SetColorH #0000ff\n"
                                          "  Cls\n"
                                          "end\n");

// The image list's pictures: solid colours but for the transparent left
// column, so an image drawn in the wrong place or the wrong one shows.
struct Picture
{
    const char *name;
    int width;
    int height;
    quint16 colour;
    QColor shown;
};
const Picture pictures[] = {{"green.vxp", 24, 16, 0x07E0, QColor(0, 255, 0)},
                            {"red.vxp", 20, 12, 0xF800, QColor(255, 0, 0)}};

} // namespace

class TestDesignPanel : public QObject
{
    Q_OBJECT

    QTemporaryDir files;
    std::unique_ptr<BenchWindow> bench;
    std::vector<std::unique_ptr<QWidget>> strays; // see field()

    ScriptEditor *editor() const { return bench->get<ScriptEditor>("scriptEditor"); }
    PreviewPane *pane() const { return bench->get<PreviewPane>("scriptPreview"); }
    DesignCanvas *canvas() const { return bench->get<DesignCanvas>("previewScreen"); }
    ShapePalette *palette() const { return bench->get<ShapePalette>("shapePalette"); }
    ShapeInspector *inspector() const { return bench->get<ShapeInspector>("shapeInspector"); }
    ScreenList *screenList() const { return bench->get<ScreenList>("screenList"); }
    QString text() const { return editor()->toPlainText(); }

    // The inspector's editor of `label`. A missing one fails the test and
    // stands in as a loose widget, so the run goes on to the next test.
    template <typename Widget> Widget *field(const QString &label)
    {
        if (auto *found = inspector()->findChild<Widget *>(QStringLiteral("field_") + label))
            return found;
        QTest::qFail(qPrintable("the inspector has no field " + label), __FILE__, __LINE__);
        auto *standIn = new Widget;
        strays.emplace_back(standIn);
        return standIn;
    }

    // What the editor of `label` shows, for a wait: nothing while there is none.
    QString shownText(const QString &label) const
    {
        const QString name = QStringLiteral("field_") + label;
        if (const auto *line = inspector()->findChild<QLineEdit *>(name))
            return line->text();
        if (const auto *button = inspector()->findChild<QPushButton *>(name))
            return button->text();
        return {};
    }

    // The window's lists hold `fonts` and the pictures; the Demos page reads
    // them when it is opened, as after a visit to the Fonts and Images pages.
    void openDemosWith(const QStringList &fonts = {})
    {
        if (!fonts.isEmpty()) {
            chooseFiles(fonts);
            bench->click("pushButton_6");
        }
        for (const Picture &picture : pictures)
            bench->get<AssetTables>("assetTables")
                ->addImageFile(files.filePath(QLatin1String(picture.name)));
        bench->get<QTabWidget>("tabbedWindow")->setCurrentWidget(bench->get<QWidget>("tab_7"));
    }

    void showScript(const QString &script) { QVERIFY(showScriptIn(*bench, script)); }

    // Puts the cursor on `line` and lets the preview catch up with any edit.
    void putCursorOn(int line)
    {
        editor()->showPosition(line, 1);
        QTest::qWait(30);
    }

    QPoint widgetPoint(QPoint pixel) const
    {
        return canvas()->widgetRect({pixel, QSize(1, 1)}).center().toPoint();
    }

    int paletteRow(NewShape shape, int image = 0) const
    {
        QAbstractItemModel *model = palette()->model();
        for (int row = 0; row < model->rowCount(); ++row) {
            const std::unique_ptr<QMimeData> data(model->mimeData({model->index(row, 0)}));
            const std::optional<PaletteChoice> choice = ShapePalette::choiceOf(data.get());
            if (choice && choice->shape == shape &&
                (shape != NewShape::Image || choice->image == image))
                return row;
        }
        return -1;
    }

    // Drags palette row `row` over the preview and drops it on `pixel`, as
    // the window system delivers a drag: enter, move, drop. Whether the
    // canvas took it.
    bool drop(int row, QPoint pixel)
    {
        QAbstractItemModel *model = palette()->model();
        const std::unique_ptr<QMimeData> data(model->mimeData({model->index(row, 0)}));
        const QPoint at = widgetPoint(pixel);
        QDragEnterEvent enter(at, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(canvas(), &enter);
        QDragMoveEvent move(at, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(canvas(), &move);
        if (!enter.isAccepted() || !move.isAccepted())
            return false;
        QSignalSpy rendered(pane(), &PreviewPane::rendered);
        QDropEvent dropped(at, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(canvas(), &dropped);
        return dropped.isAccepted() && rendered.wait(2000);
    }

    // Presses and releases twice on the item, the second press a double
    // click, as the window system reports a double click.
    void doubleClick(QListWidgetItem *item)
    {
        QWidget *viewport = palette()->viewport();
        const QPoint at = palette()->visualItemRect(item).center();
        for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                                        QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
            const Qt::MouseButtons held =
                type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
            QMouseEvent event(type, at, viewport->mapToGlobal(at), Qt::LeftButton, held,
                              Qt::NoModifier);
            QApplication::sendEvent(viewport, &event);
        }
    }

    void undo() { QTest::keyClick(editor(), Qt::Key_Z, Qt::ControlModifier); }

    // The preview shows what a fresh render of the editor's text shows
    // after its steps through `line` (0: all of them).
    void expectFreshPicture(int line = 0)
    {
        preview::ScreenRender fresh(pane()->render().context());
        fresh.setText(text());
        const int steps = line > 0 ? fresh.stepsThrough(line) : fresh.stepCount();
        QTRY_COMPARE(pane()->image(), fresh.screenAfter(steps).shown());
    }

    // Types `value` into a text field of the inspector and presses Return.
    void typeInto(const QString &label, const QString &value)
    {
        auto *line = field<QLineEdit>(label);
        line->selectAll();
        QTest::keyClicks(line, value);
        QTest::keyClick(line, Qt::Key_Return);
    }

    // A press on `from`, three moves by `delta` with `modifiers`, a release.
    // The guides drawn at the last move are returned.
    QVector<design::Guide> dragBy(QPoint from, QPoint delta,
                                  Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::mousePress(canvas(), Qt::LeftButton, modifiers, widgetPoint(from));
        for (int part = 1; part <= 3; ++part) {
            // QTest's moves carry no held button under Qt 5.
            const QPoint widget = widgetPoint(from + delta * part / 3);
            QMouseEvent move(QEvent::MouseMove, widget, canvas()->mapToGlobal(widget), Qt::NoButton,
                             Qt::LeftButton, modifiers);
            QApplication::sendEvent(canvas(), &move);
        }
        const QVector<design::Guide> guides = canvas()->guides();
        QTest::mouseRelease(canvas(), Qt::LeftButton, modifiers, widgetPoint(from + delta));
        return guides;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(files.isValid());
        for (const Picture &picture : pictures)
            writeFile(files.path(), QLatin1String(picture.name),
                      vxpImage(picture.width, picture.height, picture.colour));
    }

    void init() { bench = std::make_unique<BenchWindow>(); }

    void cleanup()
    {
        bench.reset();
        strays.clear();
    }

    void aDroppedItemIsDrawnWhereItFell_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("cursorLine");
        QTest::addColumn<int>("insertedAt"); // the line the first statement added gets
        QTest::addColumn<QString>("indent");
        QTest::addColumn<NewShape>("shape");
        QTest::addColumn<int>("image");
        QTest::addColumn<ShapeKind>("kind");
        const struct
        {
            const char *name;
            NewShape shape;
            int image;
            ShapeKind kind;
        } items[] = {
            {"text", NewShape::Text, 0, ShapeKind::Text},
            {"box", NewShape::Box, 0, ShapeKind::Box},
            {"filled box", NewShape::FilledBox, 0, ShapeKind::FilledBox},
            {"circle", NewShape::Circle, 0, ShapeKind::Circle},
            {"arc", NewShape::Arc, 0, ShapeKind::Arc},
            {"line", NewShape::Line, 0, ShapeKind::Line},
            {"touch button", NewShape::Button, 0, ShapeKind::Button},
            {"second image", NewShape::Image, 1, ShapeKind::Image},
        };
        for (const auto &item : items) {
            QTest::newRow(qPrintable(QStringLiteral("empty script, ") + item.name))
                << QString() << 1 << 1 << QString() << item.shape << item.image << item.kind;
            QTest::newRow(qPrintable(QStringLiteral("first of two screens, ") + item.name))
                << twoScreens << 4 << 7 << QStringLiteral("  ") << item.shape << item.image
                << item.kind;
        }
    }

    // The statements go before the cursor's screen's end (or make up the
    // empty script) with the screen's indent, and draw the item at the
    // pixel it was dropped on; the new shape is selected, the picture is
    // the text's, and one undo gives the text back byte for byte.
    void aDroppedItemIsDrawnWhereItFell()
    {
        QFETCH(QString, script);
        QFETCH(int, cursorLine);
        QFETCH(int, insertedAt);
        QFETCH(QString, indent);
        QFETCH(NewShape, shape);
        QFETCH(int, image);
        QFETCH(ShapeKind, kind);
        openDemosWith();
        showScript(script);
        putCursorOn(cursorLine);
        const QPoint pixel(117, 83);
        const int row = paletteRow(shape, image);
        QVERIFY(row >= 0);
        QVERIFY(drop(row, pixel));

        // Lines as written, a final line break ending the last rather than
        // starting another.
        const auto linesOf = [](const QString &written) {
            QStringList lines = written.split('\n');
            if (lines.last().isEmpty())
                lines.removeLast();
            return lines;
        };
        const QStringList before = linesOf(script);
        const QStringList after = linesOf(text());
        const int added = after.size() - before.size();
        QVERIFY(added > 0);
        const int first = insertedAt - 1;
        QCOMPARE(after.mid(0, first), before.mid(0, first));
        QCOMPARE(after.mid(first + added), before.mid(first));
        for (const QString &line : after.mid(first, added)) {
            QVERIFY2(line.startsWith(indent) && !line.at(indent.size()).isSpace(),
                     qPrintable(line));
        }

        const design::Shape *selected = pane()->selectedShape();
        QVERIFY(selected);
        QCOMPARE(selected->kind, kind);
        QCOMPARE(selected->line, insertedAt + added - 1);
        // A pixel or two of slack: a glyph's or a picture's first column
        // may be blank.
        QVERIFY2(selected->bounds.adjusted(-2, -2, 2, 2).contains(pixel),
                 qPrintable(QStringLiteral("drawn in %1,%2 %3x%4")
                                .arg(selected->bounds.x())
                                .arg(selected->bounds.y())
                                .arg(selected->bounds.width())
                                .arg(selected->bounds.height())));
        if (kind == ShapeKind::Image)
            QCOMPARE(pane()->image().pixelColor(pixel + QPoint(3, 3)), pictures[image].shown);
        expectFreshPicture(script.isEmpty() ? 0 : insertedAt + added);

        undo();
        QTRY_COMPARE(text(), script);
    }

    // A drop outside the picture, or of something not from the palette,
    // is refused and leaves the text alone.
    void strayDropsAreRefused()
    {
        openDemosWith();
        showScript(twoScreens);
        QMimeData stranger;
        stranger.setText(QStringLiteral("boxH 10 10"));
        const QPoint at = widgetPoint({50, 50});
        QDragEnterEvent enter(at, Qt::CopyAction, &stranger, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(canvas(), &enter);
        QDragMoveEvent move(at, Qt::CopyAction, &stranger, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(canvas(), &move);
        QDropEvent dropped(at, Qt::CopyAction, &stranger, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(canvas(), &dropped);
        QVERIFY(!drop(paletteRow(NewShape::Box), {-20, 50}));
        QCoreApplication::processEvents();
        QCOMPARE(text(), twoScreens);
    }

    // A double-click on a picture of the palette draws it in the middle of
    // the screen: the second picture is PUT_SF_ICON 1.
    void aDoubleClickedPictureGoesInTheMiddle()
    {
        openDemosWith();
        showScript(twoScreens);
        putCursorOn(9);
        QListWidgetItem *item = palette()->item(paletteRow(NewShape::Image, 1));
        QVERIFY(item->text().contains(QLatin1String(pictures[1].name)));
        QSignalSpy rendered(pane(), &PreviewPane::rendered);
        doubleClick(item);
        QVERIFY(rendered.wait(2000));
        QVERIFY2(text().endsWith(QLatin1String("  SetXHY 160 120\n  PUT_SF_ICON 1\nend\n")),
                 qPrintable(text()));
        const QImage shown = pane()->image();
        for (int y = 0; y < pictures[1].height; ++y) {
            for (int x = 1; x < pictures[1].width; ++x)
                QCOMPARE(shown.pixelColor(160 + x, 120 + y), pictures[1].shown);
        }
        QVERIFY(shown.pixelColor(160 + pictures[1].width, 120) != pictures[1].shown);
        expectFreshPicture(text().count('\n'));
    }

    void aFieldEditsItsNumber_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("edited");
        QTest::newRow("corner x") << "to x" << 75
                                  << "SetColorH #ffffff\nSetXHY 10 20\nboxH 75 50\ncircleRH 5\n";
        QTest::newRow("corner y") << "to y" << 0x7f
                                  << "SetColorH #ffffff\nSetXHY 10 20\nboxH 60 127\ncircleRH 5\n";
        QTest::newRow("beyond the field") << "to y" << 300
                                          << "SetColorH #ffffff\nSetXHY 10 20\nboxH 60 255\n"
                                             "circleRH 5\n";
    }

    // The cursor on a box shows its values; a spin box changes exactly its
    // number in the editor, as one undo step, and keeps to the field.
    void aFieldEditsItsNumber()
    {
        QFETCH(QString, label);
        QFETCH(int, value);
        QFETCH(QString, edited);
        openDemosWith();
        const QString script =
            QStringLiteral("SetColorH #ffffff\nSetXHY 10 20\nboxH 60 50\ncircleRH 5\n");
        showScript(script);
        putCursorOn(3);
        QCOMPARE(field<QSpinBox>("x")->value(), 10);
        QCOMPARE(field<QSpinBox>("y")->value(), 20);
        QCOMPARE(field<QSpinBox>("to x")->value(), 60);
        QCOMPARE(field<QSpinBox>("to y")->value(), 50);
        QCOMPARE(field<QSpinBox>("to y")->maximum(), 255); // standard mode: Y is a byte
        QCOMPARE(field<QPushButton>("colour")->text(), ShapeInspector::colourLabel(0xFFFF));

        field<QSpinBox>(label)->setValue(value);
        QTRY_COMPARE(text(), edited);
        expectFreshPicture();
        undo();
        QCOMPARE(text(), script);
    }

    // Y is a byte in standard mode, a word in extended mode, and the
    // inspector offers exactly that.
    void aLinesEndFollowsTheMode()
    {
        openDemosWith();
        showScript("SetXHY 10 20\nLINE_TO_XHY 60 50\nsetExtendedMode\nSetXHY 100 20\n"
                   "LINE_TO_XHY 160 50\n");
        putCursorOn(2);
        QCOMPARE(field<QSpinBox>("to y")->maximum(), 255);
        putCursorOn(5);
        QCOMPARE(field<QSpinBox>("to y")->maximum(), 0xFFFF);
        field<QSpinBox>("to y")->setValue(300);
        QTRY_COMPARE(text(), QStringLiteral("SetXHY 10 20\nLINE_TO_XHY 60 50\nsetExtendedMode\n"
                                            "SetXHY 100 20\nLINE_TO_XHY 160 300\n"));
    }

    void aSharedColourIsSetForOneShape_data()
    {
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("edited");
        // The later box still reads white: it is set again after the first.
        QTest::newRow("read later") << 3
                                    << "SetColorH #ffffff\nSetXHY 10 10\nSetColorH #ff0000\n"
                                       "boxH 50 50\nSetColorH #ffffff\nSetXHY 60 60\nboxH 90 90\n";
        QTest::newRow("read by none after") << 5
                                            << "SetColorH #ffffff\nSetXHY 10 10\nboxH 50 50\n"
                                               "SetXHY 60 60\nSetColorH #ff0000\nboxH 90 90\n";
    }

    // A colour chosen for a box whose SetColorH serves another shape too
    // gives it one of its own, and the status bar says so.
    void aSharedColourIsSetForOneShape()
    {
        QFETCH(int, line);
        QFETCH(QString, edited);
        openDemosWith();
        const QString script = QStringLiteral(
            "SetColorH #ffffff\nSetXHY 10 10\nboxH 50 50\nSetXHY 60 60\nboxH 90 90\n");
        showScript(script);
        putCursorOn(line);
        answerNextDialog<QColorDialog>([](QColorDialog *dialog) {
            dialog->setCurrentColor(Qt::red);
            dialog->accept();
        });
        field<QPushButton>("colour")->click();
        QTRY_COMPARE(text(), edited);
        QVERIFY2(bench->status().contains(QLatin1String("SetColorH")), qPrintable(bench->status()));
        expectFreshPicture();
        // Still selected, though its line is now the colour's.
        QTRY_COMPARE(shownText("colour"), ShapeInspector::colourLabel(0xF800));
        undo();
        QCOMPARE(text(), script);
    }

    // A name typed for a button is added after its numbers, and changed in
    // place later.
    void aButtonIsNamedInTheInspector()
    {
        openDemosWith();
        const QString script = QStringLiteral("buttonDef 1 1 0 0 0 10 100 90 30\n");
        showScript(script);
        putCursorOn(1);
        QVERIFY(field<QLineEdit>("name")->text().isEmpty());
        typeInto("name", "Start");
        QTRY_COMPARE(text(), QStringLiteral("buttonDef 1 1 0 0 0 10 100 90 30 as \"Start\"\n"));
        QTRY_COMPARE(shownText("name"), QStringLiteral("Start"));
        typeInto("name", "Go on");
        QTRY_COMPARE(text(), QStringLiteral("buttonDef 1 1 0 0 0 10 100 90 30 as \"Go on\"\n"));
        undo();
        undo();
        QCOMPARE(text(), script);
    }

    // The font chooser offers the window's font list; a font chosen for a
    // text is selected just before it.
    void theFontChooserOffersTheFontList()
    {
        const QString small = writeFile(files.path(), "small.vxf", pattern(64, 1));
        const QString large = writeFile(files.path(), "large.vxf", pattern(96, 2));
        openDemosWith({small, large});
        const QString script = QStringLiteral("SetXHY 20 20\nprintString \"Hi\"\n");
        showScript(script);
        putCursorOn(2);
        auto *fonts = field<QComboBox>("font");
        QCOMPARE(fonts->count(), 2);
        const AssetLists &lists = bench->window->assetLists();
        for (int i = 0; i < 2; ++i)
            QCOMPARE(fonts->itemText(i),
                     QStringLiteral("%1: %2").arg(i).arg(lists.fontList[std::size_t(i)].name));
        QCOMPARE(fonts->currentIndex(), 0);
        QTest::keyClick(fonts, Qt::Key_Down);
        QTRY_COMPARE(text(), QStringLiteral("SetXHY 20 20\nselect_font 1\nprintString \"Hi\"\n"));
    }

    // A shape inside a repeat is shown with the reason it cannot be changed
    // and editors that are off; a change forced on one edits nothing.
    void aShapeInARepeatIsOnlyShown()
    {
        openDemosWith();
        const QString script = QStringLiteral("SetColorH #ffffff\nrepeat 2\n    SetXHY 10 10\n"
                                              "    boxH 40 30\nend\n");
        showScript(script);
        putCursorOn(4);
        const design::Shape *shape = pane()->selectedShape();
        QVERIFY(shape && !shape->fixed.isEmpty());
        bool hinted = false;
        for (const QLabel *label : inspector()->findChildren<QLabel *>())
            hinted = hinted || (label->text() == shape->fixed && !label->isHidden());
        QVERIFY(hinted);
        const QList<QSpinBox *> spins = inspector()->findChildren<QSpinBox *>();
        QVERIFY(!spins.isEmpty());
        for (const QSpinBox *spin : spins)
            QVERIFY(!spin->isEnabled());
        QVERIFY(!field<QPushButton>("colour")->isEnabled());
        field<QSpinBox>("to x")->setValue(70);
        QTRY_COMPARE(text(), script);

        // A box that can move, after it, has its editors back; and the one
        // in the repeat loses them again.
        showScript(script + "SetXHY 100 100\nboxH 120 120\n");
        putCursorOn(7);
        QVERIFY(field<QSpinBox>("to x")->isEnabled());
        putCursorOn(4);
        QVERIFY(!field<QSpinBox>("to x")->isEnabled());
    }

    // The list names the script's screens; choosing one puts the cursor on
    // it and shows it as it stands at its end; the cursor moving into the
    // other screen, or out of both, is followed.
    void theScreenListFollowsTheCursor()
    {
        openDemosWith();
        showScript(twoScreens);
        putCursorOn(1);
        ScreenList *list = screenList();
        QCOMPARE(list->count(), 3);
        QCOMPARE(list->itemText(1), QStringLiteral("Main"));
        QCOMPARE(list->itemText(2), QStringLiteral("Other"));
        QCOMPARE(list->currentIndex(), 0);

        const QVector<design::ScreenBlock> screens = design::screensOf(pane()->render().script());
        for (int row = 1; row <= 2; ++row) {
            QTest::keyClick(list, Qt::Key_Down);
            QCOMPARE(list->currentIndex(), row);
            QCOMPARE(editor()->textCursor().blockNumber() + 1, screens.at(row - 1).line);
            preview::ScreenRender fresh(pane()->render().context());
            fresh.setText(twoScreens);
            QCOMPARE(pane()->image(),
                     fresh.screenAfter(fresh.stepsThrough(screens.at(row - 1).endLine)).shown());
        }
        QCOMPARE(pane()->image().pixelColor(100, 100), QColor(Qt::blue));

        putCursorOn(5);
        QCOMPARE(list->currentIndex(), 1);
        QCOMPARE(pane()->image().pixelColor(100, 100), QColor(Qt::black));
        putCursorOn(1);
        QCOMPARE(list->currentIndex(), 0);

        // A screen typed at the end is listed once the preview has it.
        QSignalSpy rendered(pane(), &PreviewPane::rendered);
        editor()->appendPlainText("screen \"Third\"\nend");
        QVERIFY(rendered.wait(2000));
        QCOMPARE(list->count(), 4);
        QCOMPARE(list->itemText(3), QStringLiteral("Third"));
    }

    // A new user's screen, by mouse alone: a title, two frames, one snapped
    // level with the other, a picture, three named buttons. It parses, its
    // C export builds without a warning and names the buttons, and its run
    // leaves the simulator's panel exactly as the preview shows it.
    void aScreenMadeByMouseRunsAsPreviewed()
    {
        QTemporaryDir work;
        QVERIFY(work.isValid());
        openDemosWith();
        const QString scriptPath = writeFile(work.path(), "panel.vxscript", {});
        chooseFile(scriptPath);
        bench->click("scriptOpen");
        QTRY_COMPARE(text(), QString());

        QVERIFY(drop(paletteRow(NewShape::Text), {110, 8}));
        typeInto("text", "Control panel");
        QTRY_VERIFY(text().contains(QLatin1String("printString \"Control panel\"")));
        QVERIFY(drop(paletteRow(NewShape::Box), {30, 60}));
        QVERIFY(drop(paletteRow(NewShape::Box), {205, 80}));

        // The second frame, taken by its top edge and raised 18 pixels,
        // comes level with the first, 20 pixels higher.
        const QString before = text();
        const QVector<design::Guide> guides = dragBy({245, 80}, {0, -18});
        QVERIFY(std::any_of(guides.cbegin(), guides.cend(), [](const design::Guide &guide) {
            return guide.orientation == Qt::Horizontal && guide.at == 60;
        }));
        QVERIFY(canvas()->guides().isEmpty());
        QTRY_COMPARE(text(), QString(before).replace("SetXHY 205 80\nboxH 284 119",
                                                     "SetXHY 205 60\nboxH 284 99"));

        doubleClick(palette()->item(paletteRow(NewShape::Image, 0)));
        QTRY_VERIFY(text().contains(QLatin1String("PUT_SF_ICON 0")));

        const QStringList names{"Start", "Stop", "Setup"};
        for (int i = 0; i < names.size(); ++i) {
            QVERIFY(drop(paletteRow(NewShape::Button), {20 + 100 * i, 180}));
            typeInto("name", names.at(i));
            QTRY_VERIFY2(text().contains(QStringLiteral("as \"%1\"").arg(names.at(i))),
                         qPrintable(text()));
        }
        const QString script = text();
        const script::ParseResult parsed = script::parseScript(script, work.path());
        QVERIFY(parsed.ok());
        QCOMPARE(script.count(QLatin1String("buttonDef")), 3);
        QCOMPARE(script.count(QLatin1String(" as \"Button")), 0);
        expectFreshPicture();
        const QImage previewed = pane()->image();

        // Exported as the Export... button does, in C.
        const QString code = work.filePath("code");
        QVERIFY(QDir().mkpath(code));
        answerNextDialog<QInputDialog>([code](QInputDialog *dialog) {
            chooseFolder(code);
            dialog->accept(); // C, the first language offered
        });
        bench->click("scriptExport");
        QTRY_VERIFY2(bench->status().startsWith("Exported to"), qPrintable(bench->status()));
        QFile header(code + "/vexel_scripts.h");
        QVERIFY(header.open(QIODevice::ReadOnly));
        const QString declared = QString::fromUtf8(header.readAll());
        const QString part = hostcode::namePart(QStringLiteral("panel"));
        for (int i = 0; i < names.size(); ++i) {
            const QString constant = hostcode::namedButtonConstant(part, names.at(i));
            QVERIFY2(declared.contains(QStringLiteral("%1 = %2,").arg(constant).arg(i + 1)),
                     qPrintable(declared));
        }

        const QString binary = work.filePath("panel");
        const ProgramRun built = runProgram(
            GCC_PATH, harnessBuildArguments(true, code, HARNESS_DIR, "vexel_run_" + part, binary));
        QVERIFY2(built.exitCode == 0, qPrintable(built.err));

        const QString flash = work.filePath("lists.vxs");
        QVERIFY(writeListsFlash(flash, bench->window->assetLists(), preview::simulatorStart()));
        QVERIFY(QDir().mkpath(work.filePath("card")));
        std::unique_ptr<QProcess> simulator = launchSimulator(
            work.path(), {"--card", work.filePath("card"), "--lock-card", "--flash", flash});
        QVERIFY(simulator->waitForStarted(5000));
        const QString device = nextDevice(*simulator);
        QVERIFY2(device.startsWith("/dev/"), qPrintable(device));
        const ProgramRun run = runProgram(binary, {device});
        QImage panel;
        QSerialPort port(device);
        if (run.exitCode == 0 && port.open(QIODevice::ReadWrite))
            panel = snapshotAfterPing(*simulator, port, work.filePath("panel.png"));
        port.close();
        quitSimulator(*simulator);
        QVERIFY2(run.exitCode == 0 && run.out == "0", qPrintable(run.out + run.err));
        QVERIFY2(!panel.isNull(), "no snapshot from the simulator");
        QCOMPARE(previewed.convertToFormat(QImage::Format_RGB32), panel);
    }
};

QTEST_MAIN(TestDesignPanel)
#include "tst_designpanel.moc"

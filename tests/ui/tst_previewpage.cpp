// The screen before it exists, in the real window: the Demos page's preview
// following the editor, a clicked pixel finding its statement, steps, the
// findings in the editor's margin, the export of the script as code, and
// the start screen on the Startup Settings page.
#include "common/filedialogs.h"
#include "common/previewtest.h"
#include "preview/previewfiles.h"
#include "preview/rendercontext.h"
#include "preview/startscreen.h"
#include "ui/previewpane.h"
#include "ui/screenview.h"
#include "ui/scripteditor.h"
#include "ui/startuppage.h"

#include <QInputDialog>
#include <QLabel>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString redBox = QStringLiteral("SetColorH #ff0000\n"
                                      "SetXHY 10 10\n"
                                      "boxHFill 40 30\n"
                                      "SetColorH #0000ff\n"
                                      "SetXHY 30 20\n"
                                      "boxHFill 60 50\n");

} // namespace

class TestPreviewPage : public QObject
{
    Q_OBJECT

    std::unique_ptr<BenchWindow> bench;

    ScriptEditor *editor() const { return bench->get<ScriptEditor>("scriptEditor"); }
    PreviewPane *pane() const { return bench->get<PreviewPane>("scriptPreview"); }
    QImage screen() const { return pane()->image(); }

    // Types `text` as the script and waits for the preview to draw it.
    void showScript(const QString &text) { QVERIFY(showScriptIn(*bench, text)); }

    void openTab(const char *name)
    {
        bench->get<QTabWidget>("tabbedWindow")->setCurrentWidget(bench->get<QWidget>(name));
    }

private slots:
    void init()
    {
        bench = std::make_unique<BenchWindow>();
        openTab("tab_7");
    }

    void cleanup() { bench.reset(); }

    // The picture is the simulator's reading of the editor's text, redrawn
    // on every edit.
    void thePreviewFollowsTheEditor()
    {
        showScript(redBox);
        QCOMPARE(screen().pixelColor(15, 15), QColor(Qt::red));
        QCOMPARE(screen().pixelColor(35, 25), QColor(Qt::blue)); // drawn over by line 6
        preview::ScreenRender fresh;
        fresh.setText(redBox);
        QCOMPARE(screen(), fresh.screen().shown());

        QSignalSpy rendered(pane(), &PreviewPane::rendered);
        editor()->appendPlainText("SetColorH #00ff00\nSetXHY 0 0\nboxHFill 5 5");
        QVERIFY(rendered.wait(2000));
        QCOMPARE(screen().pixelColor(2, 2), QColor(Qt::green));
    }

    // A click on a pixel puts the cursor on the statement that last drew it.
    void aClickedPixelFindsItsStatement()
    {
        showScript(redBox);
        auto *view = bench->get<ScreenView>("previewScreen");
        const auto clickAt = [view](QPoint pixel) {
            QTest::mouseClick(view, Qt::LeftButton, {},
                              view->widgetRect({pixel, QSize(1, 1)}).center().toPoint());
        };
        clickAt({15, 15});
        QCOMPARE(editor()->textCursor().blockNumber() + 1, 3);
        clickAt({35, 25});
        QCOMPARE(editor()->textCursor().blockNumber() + 1, 6);
    }

    // The slider shows the screen after any statement; the end follows edits.
    void stepsShowTheScreenAfterEachStatement()
    {
        showScript(redBox);
        auto *slider = bench->get<QSlider>("previewStep");
        QCOMPARE(slider->value(), slider->maximum());
        slider->setValue(3); // after the first box
        QCOMPARE(screen().pixelColor(35, 25), QColor(Qt::red));
        slider->setValue(0);
        QVERIFY(screen().pixelColor(15, 15) != QColor(Qt::red));
    }

    // Errors and warnings land in the margin at their lines; the screen shows
    // what ran before the first error.
    void findingsAreFlaggedAtTheirLines()
    {
        showScript("SetColorH #ff0000\nSetXHY 300 200\nboxHFill 400 230\nbogus 1\n");
        QVERIFY(editor()->findingAt(1).isEmpty());
        QVERIFY2(editor()->findingAt(3).contains("warning"), qPrintable(editor()->findingAt(3)));
        QVERIFY2(editor()->findingAt(4).contains("error"), qPrintable(editor()->findingAt(4)));
        QCOMPARE(screen().pixelColor(310, 210), QColor(Qt::red));
    }

    // Card files are drawn from the folder chosen with Card...; until then
    // the card is empty, as the simulator's own.
    void cardFilesComeFromTheChosenFolder()
    {
        QTemporaryDir card;
        writeFile(card.path(), "PIC.VXP", vxpImage(5, 5, 0xF800));
        showScript("SetXHY 20 20\nsdPutIcon \"PIC.VXP\"\n");
        QVERIFY(screen().pixelColor(22, 22) != QColor(Qt::red));
        QVERIFY(editor()->findingAt(2).isEmpty()); // no card: nothing to check against
        chooseFolder(card.path());
        bench->click("previewCard");
        QTRY_COMPARE(screen().pixelColor(22, 22), QColor(Qt::red));
    }

    // Export... writes the script as C into the chosen folder.
    void theScriptIsExportedAsCode()
    {
        showScript(redBox);
        QTemporaryDir folder;
        answerNextDialog<QInputDialog>([&folder](QInputDialog *dialog) {
            chooseFolder(folder.path());
            dialog->accept(); // C, the first language offered
        });
        bench->click("scriptExport");
        QTRY_VERIFY(bench->status().startsWith("Exported to"));
        QFile source(folder.filePath("vexel_scripts.c"));
        QVERIFY(source.open(QIODevice::ReadOnly));
        const QByteArray code = source.readAll();
        QVERIFY(code.contains("0x84, 0x00, 0xf8"));       // SetColorH #ff0000
        QVERIFY(code.contains("0xa3, 0x00, 0x28, 0x1e")); // boxHFill 40 30
    }

    // The framed area of the Startup Settings page shows the start screen
    // its settings give, at once.
    void theStartScreenFollowsItsSettings()
    {
        openTab("tab_4");
        auto *area = bench->get<QLabel>("label_5");
        const auto shown = [area] {
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
            return area->pixmap().toImage();
#else
            return area->pixmap(Qt::ReturnByValue).toImage();
#endif
        };
        bench->get<QSpinBox>("Brightness")->setValue(255);
        const QImage greeting = shown();
        QCOMPARE(greeting.size(), QSize(320, 240));

        bench->get<QRadioButton>("SSColor")->setChecked(true);
        bench->get<StartupPage>("startupPage")->setStartScreenFill(QColor(0, 0, 255));
        QCOMPARE(shown().pixelColor(100, 100), QColor(0, 0, 255));

        bench->get<QRadioButton>("SSDefault")->setChecked(true);
        QCOMPARE(shown(), greeting);
        bench->get<QSpinBox>("Brightness")->setValue(10);
        QVERIFY(shown() != greeting); // the backlight's level shows
    }
};

QTEST_MAIN(TestPreviewPage)
#include "tst_previewpage.moc"

// The constructed window: start state, what waits for the first paint or for
// its page to open, style sheet, drops and the manual page.
#include "app/droppaths.h"
#include "app/manualsource.h"
#include "ui/firstpaint.h"
#include "ui/mainwindow.h"
#include "ui/manualview.h"
#include "ui/paintthrottle.h"
#include "ui/scriptpage.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QtTest>

Q_DECLARE_METATYPE(ManualView::Page)

#ifdef VEXEL_WEB_MANUAL_BUILT
constexpr bool webPageBuilt = true;
#else
constexpr bool webPageBuilt = false;
#endif

class TestMainWindow : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir workDir;

    template <typename T> static T *child(QWidget &window, const char *name)
    {
        T *widget = window.findChild<T *>(name);
        if (!widget)
            qFatal("no widget %s", name);
        return widget;
    }

    static void writeFile(const QString &path, const QByteArray &bytes)
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    // The widget drawing the manual: none until the view is first shown.
    static QWidget *pageOf(ManualView &view)
    {
        return view.findChild<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
    }

    // Counts the paint events `widget` receives.
    class PaintCounter : public QObject
    {
    public:
        PaintCounter(QWidget &widget, int &paints) : paints(paints)
        {
            widget.installEventFilter(this);
        }
        bool eventFilter(QObject *, QEvent *event) override
        {
            if (event->type() == QEvent::Paint)
                ++paints;
            return false;
        }

    private:
        int &paints;
    };

    static void drop(MainWindow &window, QMimeData *data)
    {
        // Straight to the window's event handler: the application's drop
        // routing wants a drag in progress, which a test cannot start.
        QDropEvent event(QPointF(5, 5), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        static_cast<QObject &>(window).event(&event);
    }

private slots:
    void init()
    {
        QDir(workDir.path()).removeRecursively();
        QVERIFY(QDir().mkpath(workDir.path()));
        QVERIFY(QDir::setCurrent(workDir.path()));
        qApp->setStyleSheet(QString());
    }

    void opensOnDisplayTestWithItsStartValues()
    {
        // An empty working directory: no style sheet, font or manual.
        MainWindow window;
        QCOMPARE(window.windowTitle(), QString(" Vexel900 Bench Ver. 0.2.0 9/29/2015"));
        auto *pages = child<QTabWidget>(window, "tabbedWindow");
        QCOMPARE(pages->currentIndex(), 0);
        QCOMPARE(pages->tabText(0), QString("Display Test"));
        QCOMPARE(child<QSlider>(window, "BrightSlider")->value(), 200);
        QCOMPARE(child<QLabel>(window, "BrightNumber")->text(), QString("200"));
        QCOMPARE(child<QComboBox>(window, "SerialBaudRate_2")->currentText(), QString("115200"));
        QVERIFY(window.acceptDrops());
        QCOMPARE(qApp->styleSheet(), QString());
    }

    // A flood of changes is painted a few times, not once per change, and
    // the last change is always painted in the end.
    void paintThrottleCoalescesAFloodAndPaintsTheLastChange()
    {
        QLabel label;
        label.show();
        QVERIFY(QTest::qWaitForWindowExposed(&label));
        int paints = 0;
        QString painted;
        struct Counter : QObject
        {
            std::function<void()> onPaint;
            bool eventFilter(QObject *, QEvent *event) override
            {
                if (event->type() == QEvent::Paint)
                    onPaint();
                return false;
            }
        } counter;
        counter.onPaint = [&] {
            ++paints;
            painted = label.text();
        };
        label.installEventFilter(&counter);
        QCoreApplication::processEvents();
        paints = 0;

        PaintThrottle throttle(&label, 40);
        QElapsedTimer clock;
        clock.start();
        int changes = 0;
        while (clock.elapsed() < 200) {
            label.setText(QString::number(++changes));
            throttle.changed();
            QCoreApplication::processEvents();
        }
        const qint64 floodMs = clock.elapsed();
        QTRY_COMPARE(painted, QString::number(changes));
        QVERIFY2(changes > 50, "the flood was too slow to test anything");
        // One paint per interval, one at the start and one when the last ends.
        QVERIFY2(paints <= floodMs / 40 + 3,
                 qPrintable(QStringLiteral("%1 paints for %2 changes").arg(paints).arg(changes)));

        // After a quiet spell a change paints at once, without waiting.
        QTest::qWait(100);
        paints = 0;
        label.setText(QStringLiteral("quiet"));
        throttle.changed();
        QCoreApplication::processEvents();
        QCOMPARE(painted, QStringLiteral("quiet"));
        QCOMPARE(paints, 1);
    }

    // Work put off until the window is on screen runs once, after its first
    // paint; a window nobody shows runs it at once, one that is shown but
    // not painted soon after, and one destroyed first never.
    void workAfterTheFirstPaintRunsOnceThePaintIsDone()
    {
        QWidget window;
        window.resize(200, 100);
        int paints = 0;
        PaintCounter counter(window, paints);
        int runs = 0;
        int paintsBeforeTheRun = -1;
        afterFirstPaint(&window, [&] {
            ++runs;
            paintsBeforeTheRun = paints;
        });
        window.show();
        QCOMPARE(runs, 0);
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTRY_COMPARE(runs, 1);
        QVERIFY(paintsBeforeTheRun >= 1);
        window.repaint();
        QTest::qWait(400); // past the limit for a window that is not painted
        QCOMPARE(runs, 1);
    }

    void workAfterTheFirstPaintOfAnUnshownWindowRunsOnTheFirstTurn()
    {
        QWidget window;
        int runs = 0;
        afterFirstPaint(&window, [&] { ++runs; });
        QCOMPARE(runs, 0);
        // Well within the quarter second allowed to a window that is shown.
        QTRY_COMPARE_WITH_TIMEOUT(runs, 1, 150);
    }

    void workAfterTheFirstPaintWaitsOnlySoLongForAPaint()
    {
        QWidget window;
        int paints = 0;
        PaintCounter counter(window, paints);
        window.setUpdatesEnabled(false); // shown, but never painted
        int runs = 0;
        afterFirstPaint(&window, [&] { ++runs; });
        window.show();
        QTest::qWait(100);
        QCOMPARE(runs, 0);
        QTRY_COMPARE_WITH_TIMEOUT(runs, 1, 1000);
        QCOMPARE(paints, 0);
    }

    void workAfterTheFirstPaintDiesWithItsWindow()
    {
        int runs = 0;
        {
            QWidget window;
            afterFirstPaint(&window, [&] { ++runs; });
        }
        QTest::qWait(400);
        QCOMPARE(runs, 0);
    }

    // Built the first time its tab is opened, once, and shown with the tab.
    void demosPageIsMadeWhenFirstOpened()
    {
        MainWindow window;
        auto *pages = child<QTabWidget>(window, "tabbedWindow");
        auto *demos = child<QWidget>(window, "tab_7");
        QVERIFY(!window.findChild<ScriptPage *>());
        pages->setCurrentIndex(1);
        QVERIFY(!window.findChild<ScriptPage *>());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        pages->setCurrentWidget(demos);
        auto *page = window.findChild<ScriptPage *>();
        QVERIFY(page);
        QVERIFY(page->isVisible());
        QVERIFY(child<QWidget>(window, "scriptEditor")->isVisible());
        pages->setCurrentIndex(0);
        pages->setCurrentWidget(demos);
        QCOMPARE(window.findChildren<ScriptPage *>().size(), 1);
    }

    void modeAndLayerButtonsStartCheckable()
    {
        MainWindow window;
        for (const char *name : {"setStandardMode", "setExtendedMode", "setLayer0", "setLayer1"})
            QVERIFY2(child<QPushButton>(window, name)->isCheckable(), name);
        QVERIFY(child<QPushButton>(window, "setStandardMode")->isChecked());
        QVERIFY(!child<QPushButton>(window, "setExtendedMode")->isChecked());
        QVERIFY(child<QPushButton>(window, "setLayer0")->isChecked());
        QVERIFY(!child<QPushButton>(window, "setLayer1")->isChecked());
    }

    void tableColumnsAndDropSettings()
    {
        MainWindow window;
        auto *fonts = child<QTableWidget>(window, "FontTable");
        QCOMPARE(fonts->columnWidth(0), 25);
        QCOMPARE(fonts->columnWidth(1), 512);
        QVERIFY(fonts->acceptDrops());
        QCOMPARE(fonts->dragDropMode(), QAbstractItemView::DropOnly);
        auto *images = child<QTableWidget>(window, "ImageTable");
        const QList<int> widths = {25, 256, 75, 75, 75, 75};
        for (int column = 0; column < widths.size(); ++column)
            QCOMPARE(images->columnWidth(column), widths[column]);
    }

    void styleSheetIsReadAsLatin1UpToTheFirstZero()
    {
        writeFile("style.qss", QByteArray("QLabel { color: red; } /* \xe9t\xe9 */") +
                                   QByteArray(1, '\0') + "QPushButton { color: blue; }");
        MainWindow window;
        QCOMPARE(qApp->styleSheet(),
                 QString::fromUtf8("QLabel { color: red; } /* \xc3\xa9t\xc3\xa9 */"));
        qApp->setStyleSheet(QString());
    }

    void dropAppendsTheFirst32LocalPaths()
    {
        MainWindow window;
        auto *log = child<QTextEdit>(window, "textEdit");
        log->setPlainText("before");
        QList<QUrl> urls;
        for (int i = 0; i < 40; ++i)
            urls << QUrl::fromLocalFile(QString("/data/fonts/font %1.vxf").arg(i));
        auto *data = new QMimeData;
        data->setUrls(urls);
        drop(window, data);
        const QStringList lines = log->toPlainText().split('\n');
        QCOMPARE(lines.size(), 33);
        QCOMPARE(lines.first(), QString("before"));
        QCOMPARE(lines.at(1), QString("/data/fonts/font 0.vxf"));
        QCOMPARE(lines.last(), QString("/data/fonts/font 31.vxf"));
        delete data;
    }

    void dropWithoutUrlsChangesNothing()
    {
        MainWindow window;
        auto *log = child<QTextEdit>(window, "textEdit");
        log->setPlainText("kept");
        QMimeData data;
        data.setText("just text");
        drop(window, &data);
        QCOMPARE(log->toPlainText(), QString("kept"));
        QCOMPARE(child<QTableWidget>(window, "FontTable")->rowCount(), 0);
    }

    void droppedRemoteUrlsGiveEmptyLines()
    {
        const QString text = droppedPathsText(
            {QUrl("https://example.org/a.vxp"), QUrl::fromLocalFile("/tmp/b c.vxp")});
        QCOMPARE(text, QString("\n/tmp/b c.vxp"));
    }

    void manualPrefersARenderableDocument()
    {
        // The .doc is what the bench has always pointed at, but no view renders it.
        writeFile(manualDocumentName, "binary word file");
        ManualSource source = chooseManual(workDir.path(), ManualView::canShow(manualDocumentName));
        QVERIFY(!source.url.isValid());
        QVERIFY(source.builtInHtml.contains(manualHtmlName));
        QVERIFY(source.builtInHtml.contains(workDir.path()));

        source = chooseManual(workDir.path(), true);
        QCOMPARE(source.url.toLocalFile(), workDir.filePath(manualDocumentName));

        writeFile(manualHtmlName, "<html><body>manual</body></html>");
        source = chooseManual(workDir.path(), false);
        QCOMPARE(source.url.toLocalFile(), workDir.filePath(manualHtmlName));
        QVERIFY(source.url.toEncoded().contains("Manual-html.html"));
    }

    // The working directory first, then the installed data.
    void manualComesFromTheFirstFolderHoldingOne()
    {
        QTemporaryDir installed;
        const QStringList folders = {workDir.path(), installed.path()};
        ManualSource source = chooseManual(folders, false);
        QVERIFY(!source.url.isValid());
        QVERIFY(source.builtInHtml.contains(workDir.path()));
        QVERIFY(source.builtInHtml.contains(installed.path()));

        writeFile(QDir(installed.path()).filePath(manualHtmlName), "<html></html>");
        source = chooseManual(folders, false);
        QCOMPARE(source.url.toLocalFile(), QDir(installed.path()).filePath(manualHtmlName));

        writeFile(manualHtmlName, "<html></html>");
        source = chooseManual(folders, false);
        QCOMPARE(source.url.toLocalFile(), workDir.filePath(manualHtmlName));
    }

    void manualPageShowsTheHtmlFromTheWorkingDirectory()
    {
        writeFile(manualHtmlName, "<html><body><p>SD_FILE_OPEN opens a file</p></body></html>");
        MainWindow window;
        auto *view = child<ManualView>(window, "webView");
        QCOMPARE(view->currentUrl().toLocalFile(), workDir.filePath(manualHtmlName));
        // Showing the window makes no page (nor loads QtWebKit); opening the page does.
        QSignalSpy loaded(view, &ManualView::pageLoaded);
        window.show();
        QVERIFY(!pageOf(*view));
        child<QTabWidget>(window, "tabbedWindow")->setCurrentIndex(7);
        QVERIFY(loaded.wait(5000));
        QCOMPARE(pageOf(*view)->inherits("QWebView"), webPageBuilt);
        QCOMPARE(view->currentUrl().toLocalFile(), workDir.filePath(manualHtmlName));
        QVERIFY(view->findNext("sd_file_open"));
    }

    void searchStepsForwardThroughMatchesAndStops_data()
    {
        QTest::addColumn<ManualView::Page>("kind");
        QTest::addColumn<bool>("web");
        QTest::newRow("web page if built") << ManualView::Page::WebWhenAvailable << webPageBuilt;
        // What a machine without QtWebKit or the plugin gets.
        QTest::newRow("text page") << ManualView::Page::TextOnly << false;
    }

    void searchStepsForwardThroughMatchesAndStops()
    {
        QFETCH(ManualView::Page, kind);
        QFETCH(bool, web);
        ManualView view(nullptr, kind);
        view.resize(400, 300);
        view.show();
        QCOMPARE(pageOf(view)->inherits("QWebView"), web);
        QCOMPARE(pageOf(view)->inherits("QTextBrowser"), !web);
        QSignalSpy loaded(&view, &ManualView::pageLoaded);
        view.showHtml("<html><body><p>Alpha one</p><p>beta</p><p>ALPHA two</p></body></html>");
        QVERIFY(loaded.wait(5000));
        QVERIFY(view.findNext("alpha"));
        QCOMPARE(view.selectedText(), QString("Alpha"));
        QVERIFY(view.findNext("alpha"));
        QCOMPARE(view.selectedText(), QString("ALPHA"));
        QVERIFY(!view.findNext("alpha"));
        QVERIFY(!view.findNext(QString()));
        QCOMPARE(view.selectedText(), QString());
    }

    void clearButtonEmptiesTheLog()
    {
        MainWindow window;
        auto *log = child<QTextEdit>(window, "textEdit");
        log->setPlainText("line");
        child<QPushButton>(window, "clearTextEdit")->click();
        QCOMPARE(log->toPlainText(), QString());
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"

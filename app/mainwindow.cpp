#include "app/mainwindow.h"
#include "app/paintthrottle.h"
#include "ui_mainwindow.h"

#include "app/datafiles.h"
#include "app/droppaths.h"
#include "app/manualsource.h"
#include "assets/assettables.h"
#include "traffic/trafficcontrols.h"

#include <QApplication>
#include <QDebug>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QMimeData>
#include <QTextStream>

#include <cstdio>

// The resource bundle lives in a static library, where nothing references it
// by name, so it is registered explicitly when the program starts.
static const bool resourcesRegistered = [] {
    Q_INIT_RESOURCE(resources);
#ifdef VEXEL_BUNDLED_FONT
    Q_INIT_RESOURCE(font);
#endif
    return true;
}();

namespace {

const char *const benchTitle = " Vexel900 Bench Ver. 0.2.0 9/29/2015";
const char *const fontFamily = "Nova Square";
constexpr int startBrightness = 200;
constexpr int logPaintIntervalMs = 30;

// Latin-1 text up to the first zero byte: the style sheet is read as the
// bench has always read it.
QString latin1UpToZero(const QByteArray &bytes)
{
    const int zero = bytes.indexOf('\0');
    return QString::fromLatin1(zero < 0 ? bytes : bytes.left(zero));
}

void registerFont()
{
    // The working directory's copy wins, then the installed one; the bundled
    // copy keeps the look when neither is there.
    const QString file = findDataFile(QString::fromLatin1(fontFileName));
    if (file.isEmpty() || QFontDatabase::addApplicationFont(file) < 0)
        QFontDatabase::addApplicationFont(QStringLiteral(":/") + QLatin1String(fontFileName));
}

} // namespace

MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent), ui(new Ui::MainWindow)
{
    ui->setupUi(this);
    qDebug() << "Windows";

    registerFont();
    ui->tab->setFont(QFont(QString::fromLatin1(fontFamily)));
    // Hex lines have no spaces, and wrapping a long line at word boundaries
    // first searches the whole rest of it for one on every row: a 4 KB chunk
    // cost milliseconds. Wrapping anywhere gives the same rows for hex.
    ui->textEdit->setWordWrapMode(QTextOption::WrapAnywhere);
    ui->textEdit->ensureCursorVisible();
    logPainting = new PaintThrottle(ui->textEdit->viewport(), logPaintIntervalMs, this);

    ui->BrightSlider->setValue(startBrightness);
    ui->BrightNumber->setText(QString::number(startBrightness));

    ui->FontTable->setAcceptDrops(true);
    ui->FontTable->setDragEnabled(true);
    setAcceptDrops(true);
    ui->FontTable->setDragDropMode(QAbstractItemView::DropOnly);

    tables = new AssetTables(
        {ui->FontTable, ui->ImageTable, ui->removeFontList, ui->removeImageList, ui->imagePreview},
        lists, this, [this](const QString &text) { showStatus(text); });

    showManual();
    traffic = new TrafficControls(ui->actionTraffic, ui->actionRecordCapture, this,
                                  [this](const QString &text) { showStatus(text); });
    startSerialLink();
    startFirmwarePage();
    startScriptPage();

    // A missing file gives an empty sheet: the platform style stays.
    QFile styleSheet(findDataFile(QString::fromLatin1(styleSheetFileName)));
    const QByteArray sheet =
        styleSheet.open(QIODevice::ReadOnly) ? styleSheet.readAll() : QByteArray();
    qApp->setStyleSheet(latin1UpToZero(sheet));

    ui->tabbedWindow->setCurrentIndex(0);
    setWindowTitle(QString::fromLatin1(benchTitle));

    ui->setStandardMode->setCheckable(true);
    ui->setExtendedMode->setCheckable(true);
    ui->setStandardMode->setChecked(true);
    ui->setExtendedMode->setChecked(false);
    ui->setLayer0->setCheckable(true);
    ui->setLayer1->setCheckable(true);
    ui->setLayer0->setChecked(true);
    ui->setLayer1->setChecked(false);
}

MainWindow::~MainWindow()
{
    // A utility still running is ended by dfuProcess's destructor; its last
    // signals must not reach a window that is being torn down.
    dfuProcess.disconnect(this);
    delete ui;
}

void MainWindow::showStatus(const QString &text)
{
    ui->statusBar->showMessage(text);
}

void MainWindow::showManual()
{
    const ManualSource source =
        chooseManual(dataDirectories(), ManualView::canShow(manualDocumentName));
    if (source.url.isValid())
        ui->webView->showUrl(source.url);
    else
        ui->webView->showHtml(source.builtInHtml);
    qDebug() << ui->webView->currentUrl();
}

void MainWindow::on_searchManual_clicked()
{
    ui->webView->findNext(ui->searchManualText->text());
}

void MainWindow::on_clearTextEdit_clicked()
{
    ui->textEdit->clear();
}

void MainWindow::dragEnterEvent(QDragEnterEvent *event)
{
    std::fputs("Enter Drop\n", stdout);
    event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent *event)
{
    std::fputs("Enter DropEvent \n", stdout);
    if (!event->mimeData()->hasUrls())
        return;
    ui->textEdit->append(droppedPathsText(event->mimeData()->urls()));
    event->accept();
}

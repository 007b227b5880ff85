#include "ui/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/datafiles.h"
#include "app/droppaths.h"
#include "app/manualsource.h"
#include "commands/portwriter.h"
#include "preview/rendercontext.h"
#include "serial/modulelink.h"
#include "traffic/trafficrecorder.h"
#include "ui/assettables.h"
#include "ui/commandpage.h"
#include "ui/configpage.h"
#include "ui/firmwarepage.h"
#include "ui/firstpaint.h"
#include "ui/paintthrottle.h"
#include "ui/portpanel.h"
#include "ui/scriptpage.h"
#include "ui/startuppage.h"
#include "ui/trafficcontrols.h"

#include <QApplication>
#include <QDebug>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontDatabase>
#include <QMimeData>
#include <QTextStream>
#include <QVBoxLayout>

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
constexpr int logPaintIntervalMs = 30;
constexpr int logLineCap = 255;

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
    // Made after the form, so it outlives the pages inside it (the Demos
    // page may hand it a last word as it goes).
    link = new ModuleLink(this);
    registerFont();
    ui->tab->setFont(QFont(QString::fromLatin1(fontFamily)));
    // Hex lines have no spaces, and wrapping a long line at word boundaries
    // first searches the whole rest of it for one on every row: a 4 KB chunk
    // cost milliseconds. Wrapping anywhere gives the same rows for hex.
    ui->textEdit->setWordWrapMode(QTextOption::WrapAnywhere);
    ui->textEdit->ensureCursorVisible();
    logPainting = new PaintThrottle(ui->textEdit->viewport(), logPaintIntervalMs, this);
    connect(ui->clearTextEdit, &QAbstractButton::clicked, ui->textEdit, &QTextEdit::clear);
    setAcceptDrops(true);
    makePages();

    // A missing file gives an empty sheet: the platform style stays.
    QFile styleSheet(findDataFile(QString::fromLatin1(styleSheetFileName)));
    const QByteArray sheet =
        styleSheet.open(QIODevice::ReadOnly) ? styleSheet.readAll() : QByteArray();
    qApp->setStyleSheet(latin1UpToZero(sheet));

    ui->tabbedWindow->setCurrentIndex(0);
    setWindowTitle(QString::fromLatin1(benchTitle));
}

MainWindow::~MainWindow()
{
    // The pages drive the form's widgets through it: they go before it.
    qDeleteAll(formPages);
    delete ui;
}

void MainWindow::makePages()
{
    const auto status = [this](const QString &text) { showStatus(text); };
    const auto log = [this](const QString &text) { logText(text); };

    auto *tables = new AssetTables(*ui, lists, this);
    connect(tables, &AssetTables::status, this, status);
    showManual();
    auto *traffic = new TrafficControls(ui->actionTraffic, ui->actionRecordCapture, this, status);
    auto *ports = new PortPanel(*ui, *link, this);
    connect(ports, &PortPanel::status, this, status);
    connect(ports, &PortPanel::logged, this, log);
    connect(ports, &PortPanel::lineOpened, traffic->recorder(), &TrafficRecorder::lineOpened);
    afterFirstPaint(this, [ports] { ports->listPorts(); });
    commands = new CommandPage(*ui, *link, this);
    connect(commands, &CommandPage::status, this, status);
    connect(commands, &CommandPage::logged, this, log);
    auto *startup = new StartupPage(*ui, lists, this);
    auto *config = new ConfigPage(*ui, lists, *tables, *startup, this);
    connect(config, &ConfigPage::status, this, status);
    auto *firmware = new FirmwarePage(*ui, *link, ports->keeper(), this);
    connect(firmware, &FirmwarePage::status, this, status);
    formPages = {firmware, config, startup, commands, ports, tables};
    connectLink(*traffic->recorder());
    // Nothing on the Demos page is needed before it is opened, and building
    // it was 4 ms of every start.
    // The lists may have changed on their own pages: the pages that draw
    // from them read them again when shown.
    connect(ui->tabbedWindow, &QTabWidget::currentChanged, this, [this, startup] {
        QWidget *page = ui->tabbedWindow->currentWidget();
        if (page == ui->tab_4)
            startup->refreshStartScreen();
        if (page != ui->tab_7)
            return;
        if (!scripts)
            makeScriptPage();
        scripts->setLists(lists);
    });
}

void MainWindow::makeScriptPage()
{
    scripts = new ScriptPage(scriptPageHooks(), ui->tab_7);
    auto *layout = new QVBoxLayout(ui->tab_7);
    layout->addWidget(scripts);
    // The tab is on screen already; the layout would show the page a turn later.
    scripts->show();

    // A run hears the line, the file writer and the port; the page records
    // the Display Test page's frames.
    connect(commands, &CommandPage::commandSending, scripts, &ScriptPage::recordCommand);
    connect(commands, &CommandPage::fileSending, scripts, &ScriptPage::recordFile);
    connect(link, &ModuleLink::received, scripts, &ScriptPage::takeChunk);
    PortWriter *writer = &link->writer();
    connect(writer, &PortWriter::finished, scripts, [this] { scripts->fileDone({}); });
    connect(writer, &PortWriter::stopped, scripts,
            [this](const QString &, qint64, qint64, const QString &reason) {
                scripts->fileDone(reason);
            });
    connect(&link->port(), &QIODevice::bytesWritten, scripts, &ScriptPage::drained);
    connect(&link->port(), &QIODevice::aboutToClose, scripts,
            [this] { scripts->lineLost(tr("the port was closed")); });
}

// Scripts run through the Display Test page's own send path, so a run arms
// the reader, fills the result fields, logs and records as the buttons do.
ScriptPageHooks MainWindow::scriptPageHooks()
{
    ScriptPageHooks hooks;
    hooks.link.sendCommand = [this](const script::Statement &statement,
                                    const QByteArrayList &writes) {
        commands->sendStatement(statement.command, statement.values, writes);
    };
    hooks.link.sendRaw = [this](const QByteArray &bytes) { link->sendRaw(bytes); };
    hooks.link.sendFile = [this](const script::Statement &statement, const QByteArray &head,
                                 std::unique_ptr<QIODevice> file, qint64 size) {
        link->sendFile(head, std::move(file), size, QFileInfo(statement.filePath).fileName());
        return QString();
    };
    hooks.link.cancelFile = [this] { link->writer().stop(tr("the script was stopped")); };
    hooks.link.backlog = [this] { return link->port().bytesToWrite(); };
    hooks.portOpen = [this] { return link->isOpen(); };
    hooks.extendedMode = [this] { return link->extendedMode(); };
    hooks.showStatus = [this](const QString &text) { showStatus(text); };
    return hooks;
}

// Every byte goes to the traffic record; every reply to the log pane and the
// Display Test page's fields.
void MainWindow::connectLink(TrafficRecorder &recorder)
{
    link->setRecorder([&recorder](Direction direction, const QByteArray &bytes) {
        recorder.record(direction, bytes);
    });
    connect(link, &ModuleLink::replyDecoded, this, [this](const Paired &paired) {
        // Room is made before this chunk writes anything, so its own text survives.
        if (ui->textEdit->document()->lineCount() > logLineCap)
            ui->textEdit->clear();
        logText(paired.reply.listing);
        if (paired.reply.pong)
            logText(QStringLiteral("PONG\n"));
        logText(paired.reply.hexLine + QLatin1Char('\n'));
        commands->showReply(paired.reply);
    });
}

void MainWindow::showStatus(const QString &text)
{
    ui->statusBar->showMessage(text);
}

// Inserted at the pane's cursor, where replies and command lines have always
// gone, rather than appended at the end.
void MainWindow::logText(const QString &text)
{
    if (text.isEmpty())
        return;
    ui->textEdit->insertPlainText(text);
    ui->textEdit->ensureCursorVisible();
    logPainting->changed();
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
    connect(ui->searchManual, &QAbstractButton::clicked, this,
            [this] { ui->webView->findNext(ui->searchManualText->text()); });
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

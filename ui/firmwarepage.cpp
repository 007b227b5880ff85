#include "ui/firmwarepage.h"
#include "ui_mainwindow.h"

#include "firmware/dfucommand.h"
#include "serial/linkkeeper.h"
#include "serial/modulelink.h"

#include <QDebug>
#include <QFileDialog>
#include <QScrollBar>
#include <QTextCursor>

namespace {
const char *const instructions[] = {
    "\n\r !!! Make sure the Vexel900 is in bootloader mode        !!!",
    "\n\r !!! Hold BOOT0 button on back of device and press reset !!!",
    "\n\r !!! Screen will be blank in bootloader mode             !!!",
    "\n\r !!! Press Update Button when ready                      !!!",
};
} // namespace

FirmwarePage::FirmwarePage(Ui::MainWindow &form, ModuleLink &link, LinkKeeper &keeper,
                           QWidget *window)
    : QObject(window), ui(form), link(link), keeper(keeper), window(window)
{
    setObjectName(QStringLiteral("firmwarePage"));
    // Merged, so the utility's complaints (it prints them on standard error)
    // reach the pane in the order they were written.
    dfuProcess.setProcessChannelMode(QProcess::MergedChannels);
    connect(&dfuProcess, &QProcess::readyRead, this, &FirmwarePage::readOutput);
    connect(&dfuProcess, &QProcess::errorOccurred, this, &FirmwarePage::failedToStart);
    connect(&dfuProcess, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), this,
            &FirmwarePage::finished);
    connect(ui.openFirmware, &QAbstractButton::clicked, this, &FirmwarePage::chooseFile);
    connect(ui.updateFirmware, &QAbstractButton::clicked, this, &FirmwarePage::update);
}

FirmwarePage::~FirmwarePage()
{
    // A utility still running is ended by dfuProcess's destructor; its last
    // signals must not reach a page that is being torn down.
    dfuProcess.disconnect(this);
}

void FirmwarePage::chooseFile()
{
    ui.dfuOutput->clear();
    firmwareFile =
        QFileDialog::getOpenFileName(window, tr("Open DFU File"), QString(), tr("Files (*.dfu)"));
    ui.dfuOutput->insertPlainText(QStringLiteral("File Selected -> ") + firmwareFile);
    for (const char *line : instructions)
        ui.dfuOutput->insertPlainText(QString::fromLatin1(line));
}

void FirmwarePage::update()
{
    if (firmwareFile.isEmpty())
        return;
    if (dfuProcess.state() != QProcess::NotRunning) {
        // Clearing now would throw away the running update's output.
        emit status(tr("The DFU utility is still running"));
        return;
    }
    ui.dfuOutput->clear();
    dfuConsole = ConsoleDecoder();
    portOpenAtUpdate = link.isOpen();
    const DfuCommand command = dfuCommand(findDfuProgram(), firmwareFile);
    dfuProcess.start(command.program, command.arguments, QIODevice::ReadWrite);
}

void FirmwarePage::applyConsoleOps(const QVector<ConsoleOp> &ops)
{
    QPlainTextEdit *pane = ui.dfuOutput;
    for (const ConsoleOp &op : ops) {
        if (op.kind == ConsoleOp::Text) {
            qDebug().noquote() << op.text;
            pane->insertPlainText(op.text);
            continue;
        }
        // Select the current line so the next text replaces it in place.
        QTextCursor cursor = pane->textCursor();
        cursor.movePosition(QTextCursor::StartOfBlock);
        cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        pane->setTextCursor(cursor);
    }
    pane->ensureCursorVisible();
}

void FirmwarePage::readOutput()
{
    applyConsoleOps(dfuConsole.feed(dfuProcess.readAll()));
}

void FirmwarePage::failedToStart(QProcess::ProcessError error)
{
    if (error != QProcess::FailedToStart)
        return;
    applyConsoleOps(
        {{ConsoleOp::Text,
          tr("\nCould not start %1: %2\n").arg(dfuProcess.program(), dfuProcess.errorString())}});
}

void FirmwarePage::finished(int exitCode, QProcess::ExitStatus exitStatus)
{
    readOutput();
    QVector<ConsoleOp> ops = dfuConsole.flush();
    const QString verdict =
        exitStatus == QProcess::CrashExit
            ? tr("\n%1 stopped abnormally\n").arg(dfuProcess.program())
            : tr("\n%1 exited with code %2\n").arg(dfuProcess.program()).arg(exitCode);
    ops.append(ConsoleOp{ConsoleOp::Text, verdict});
    applyConsoleOps(ops);
    if (exitStatus == QProcess::NormalExit && exitCode == 0)
        awaitUpdatedModule();
}

// A module that was connected before its update comes back with the new
// firmware, often under another name: the bench waits for it and reconnects.
void FirmwarePage::awaitUpdatedModule()
{
    if (!portOpenAtUpdate || link.isOpen())
        return;
    portOpenAtUpdate = false;
    applyConsoleOps(
        {{ConsoleOp::Text,
          tr("Waiting for the module to come back on %1...\n").arg(keeper.device().describe())}});
    keeper.awaitModule([this](const QString &port) {
        applyConsoleOps({{ConsoleOp::Text, tr("Reconnected to %1\n").arg(port)}});
    });
}

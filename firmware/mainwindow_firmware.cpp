// Firmware page: choose a DFU file and run the DFU utility on it.
#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "firmware/dfucommand.h"
#include "serial/linkkeeper.h"
#include "serial/serialport.h"

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

void MainWindow::startFirmwarePage()
{
    // Merged, so the utility's complaints (it prints them on standard error)
    // reach the pane in the order they were written.
    dfuProcess.setProcessChannelMode(QProcess::MergedChannels);
    connect(&dfuProcess, &QProcess::readyRead, this, &MainWindow::on_cmdExec_data_available);
    connect(&dfuProcess, &QProcess::errorOccurred, this, &MainWindow::dfuFailedToStart);
    connect(&dfuProcess, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), this,
            &MainWindow::dfuFinished);
}

void MainWindow::on_openFirmware_clicked()
{
    ui->dfuOutput->clear();
    firmwareFile =
        QFileDialog::getOpenFileName(this, tr("Open DFU File"), QString(), tr("Files (*.dfu)"));
    ui->dfuOutput->insertPlainText(QStringLiteral("File Selected -> ") + firmwareFile);
    for (const char *line : instructions)
        ui->dfuOutput->insertPlainText(QString::fromLatin1(line));
}

void MainWindow::on_updateFirmware_clicked()
{
    if (firmwareFile.isEmpty())
        return;
    if (dfuProcess.state() != QProcess::NotRunning) {
        // Clearing now would throw away the running update's output.
        showStatus(tr("The DFU utility is still running"));
        return;
    }
    ui->dfuOutput->clear();
    dfuConsole = ConsoleDecoder();
    portOpenAtUpdate = serialPort.isOpen();
    const DfuCommand command = dfuCommand(findDfuProgram(), firmwareFile);
    dfuProcess.start(command.program, command.arguments, QIODevice::ReadWrite);
}

void MainWindow::applyConsoleOps(const QVector<ConsoleOp> &ops)
{
    QPlainTextEdit *pane = ui->dfuOutput;
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

void MainWindow::on_cmdExec_data_available()
{
    applyConsoleOps(dfuConsole.feed(dfuProcess.readAll()));
}

void MainWindow::dfuFailedToStart(QProcess::ProcessError error)
{
    if (error != QProcess::FailedToStart)
        return;
    applyConsoleOps(
        {{ConsoleOp::Text,
          tr("\nCould not start %1: %2\n").arg(dfuProcess.program(), dfuProcess.errorString())}});
}

void MainWindow::dfuFinished(int exitCode, QProcess::ExitStatus exitStatus)
{
    on_cmdExec_data_available();
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
void MainWindow::awaitUpdatedModule()
{
    if (!portOpenAtUpdate || serialPort.isOpen())
        return;
    portOpenAtUpdate = false;
    applyConsoleOps(
        {{ConsoleOp::Text,
          tr("Waiting for the module to come back on %1...\n").arg(keeper->device().describe())}});
    keeper->awaitModule([this](const QString &port) {
        applyConsoleOps({{ConsoleOp::Text, tr("Reconnected to %1\n").arg(port)}});
    });
}

// The Demos page: scripts run through the window's own send path, so a run
// arms the reader, fills the result fields, logs and records as the buttons do.
#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "commands/frames.h"
#include "commands/portwriter.h"
#include "script/scriptpage.h"
#include "serial/serialport.h"

#include <QFileInfo>
#include <QVBoxLayout>

void MainWindow::startScriptPage()
{
    ScriptPageHooks hooks;
    hooks.link.sendCommand = [this](const script::Statement &statement,
                                    const QByteArrayList &writes) {
        const CommandSpec &command = spec(statement.command);
        showSentState(command.id, statement.values);
        if (command.has(ClearsResult))
            ui->sdResult->clear();
        const QByteArray frame = sendWrites(command, writes);
        // The touch button frames are echoed where their buttons echo them.
        if (command.id == Command::ButtonDef || command.id == Command::ButtonState)
            ui->serialNumber->setText(QString::fromLatin1(frame.toHex()));
    };
    hooks.link.sendRaw = [this](const QByteArray &bytes) { commandWriter()->send(bytes); };
    hooks.link.sendFile = [this](const script::Statement &statement, const QByteArray &head,
                                 std::unique_ptr<QIODevice> file, qint64 size) {
        pendingCommand = codeOf(Command::SdFileWrite);
        commandWriter()->sendFile(head, std::move(file), size,
                                  QFileInfo(statement.filePath).fileName());
        return QString();
    };
    hooks.link.cancelFile = [this] { commandWriter()->stop(tr("the script was stopped")); };
    hooks.link.backlog = [] { return serialPort.bytesToWrite(); };
    hooks.portOpen = [] { return serialPort.isOpen(); };
    hooks.extendedMode = [this] { return extendedModeOn != 0; };
    hooks.showStatus = [this](const QString &text) { showStatus(text); };

    scripts = new ScriptPage(std::move(hooks), ui->tab_7);
    auto *layout = new QVBoxLayout(ui->tab_7);
    layout->addWidget(scripts);

    connect(commandWriter(), &PortWriter::finished, scripts, [this] { scripts->fileDone({}); });
    connect(commandWriter(), &PortWriter::stopped, scripts,
            [this](const QString &, qint64, qint64, const QString &reason) {
                scripts->fileDone(reason);
            });
    connect(&serialPort, &QIODevice::bytesWritten, scripts, &ScriptPage::drained);
    connect(&serialPort, &QIODevice::aboutToClose, scripts,
            [this] { scripts->lineLost(tr("the port was closed")); });
}

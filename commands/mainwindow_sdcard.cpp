// SD card file commands.
#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "commands/frames.h"
#include "commands/outgoingfile.h"
#include "commands/portwriter.h"
#include "script/scriptpage.h"

#include <QFileDialog>
#include <QFileInfo>

void MainWindow::sendSdCommand(const CommandSpec &command, const ArgValues &values)
{
    const QString name = ui->sdFileName->text();
    if (command.has(NeedsName) && name.isEmpty()) {
        ui->sdResult->setText(tr("Invalid Filename"));
        return;
    }
    if (command.has(ClearsResult))
        ui->sdResult->clear();
    sendCommand(command, values, name);
}

void MainWindow::on_SD_FILE_CREATE_clicked()
{
    sendSdCommand(spec(Command::SdFileCreate), {ui->sdFileNumber->value()});
}

void MainWindow::on_SD_FILE_OPEN_clicked()
{
    sendSdCommand(spec(Command::SdFileOpen), {ui->sdFileNumber->value()});
}

void MainWindow::on_SD_FILE_CLOSE_clicked()
{
    sendSdCommand(spec(Command::SdFileClose), {ui->sdFileNumber->value()});
}

// The file is checked before anything goes out, so a cancelled dialog or a
// refused file leaves the module and the reply reader as they were.
void MainWindow::on_SD_FILE_WRITE_clicked()
{
    const QString path =
        QFileDialog::getOpenFileName(this, tr("Open File"), QString(), tr("Files (*.*)"));
    if (path.isEmpty())
        return;

    const QString name = QFileInfo(path).fileName();
    OutgoingFile outgoing = openOutgoingFile(path);
    switch (outgoing.problem) {
    case OutgoingFile::Problem::Unreadable:
        showStatus(tr("Cannot read %1: %2").arg(name, outgoing.reason));
        return;
    case OutgoingFile::Problem::TooLarge:
        showStatus(
            tr("Cannot send %1: files of 4 GiB or more do not fit the size field").arg(name));
        return;
    case OutgoingFile::Problem::None:
        break;
    }

    const CommandSpec &command = spec(Command::SdFileWrite);
    scripts->recordFile(ui->sdFileNumber->value(), path);
    pendingCommand = command.code;
    const QByteArray head = commandFrame(command.id, {ui->sdFileNumber->value(), outgoing.size});
    commandWriter()->sendFile(head, std::move(outgoing.file), outgoing.size, name);
}

void MainWindow::on_SD_FILE_READ_clicked()
{
    sendSdCommand(spec(Command::SdFileRead),
                  {ui->sdFileNumber->value(), ui->readByteCount->value()});
}

void MainWindow::on_SD_FILE_DELETE_clicked()
{
    sendSdCommand(spec(Command::SdFileDelete));
}

void MainWindow::on_SD_FILE_GET_SIZE_clicked()
{
    sendSdCommand(spec(Command::SdFileGetSize), {ui->sdFileNumber->value()});
}

void MainWindow::on_SD_FILE_TELL_clicked()
{
    sendSdCommand(spec(Command::SdFileTell), {ui->sdFileNumber->value()});
}

void MainWindow::on_SD_FILE_LIST_clicked()
{
    sendSdCommand(spec(Command::SdFileList));
}

void MainWindow::on_SD_INSERTED_clicked()
{
    sendSdCommand(spec(Command::SdInserted));
}

void MainWindow::on_SD_SPACE_INFO_clicked()
{
    sendSdCommand(spec(Command::SdSpaceInfo), {ui->SD_SPACE_INFO_SELECTION->currentIndex()});
}

void MainWindow::on_SD_FOLDER_CREATE_clicked()
{
    sendSdCommand(spec(Command::SdFolderCreate));
}

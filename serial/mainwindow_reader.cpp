// Reply reader: decodes each chunk from the module and logs it in hex.
#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/paintthrottle.h"
#include "script/scriptpage.h"
#include "serial/replydecoder.h"
#include "serial/serialport.h"
#include "traffic/trafficcontrols.h"
#include "traffic/trafficrecorder.h"

namespace {
constexpr int logLineCap = 255;
}

void MainWindow::readData()
{
    const QByteArray chunk = serialPort.readAll();
    traffic->recorder()->record(Direction::Received, chunk);
    // Make room before this chunk writes anything, so its own text survives.
    if (ui->textEdit->document()->lineCount() > logLineCap)
        ui->textEdit->clear();
    const Reply reply = decodeReply(chunk, pendingCommand);
    pendingCommand = reply.pendingCommand;
    showReply(reply);
    scripts->takeChunk(chunk);
}

void MainWindow::showReply(const Reply &reply)
{
    if (reply.sdResult)
        ui->sdResult->setText(*reply.sdResult);
    if (reply.serialNumber)
        ui->serialNumber->setText(*reply.serialNumber);
    logText(reply.listing);
    if (reply.pong)
        logText(QStringLiteral("PONG\n"));
    if (reply.touch) {
        ui->TouchX->setText(tr("%1").arg(reply.touch->x));
        ui->TouchY->setText(tr("%1").arg(reply.touch->y));
        ui->Touch->setChecked(true);
    }
    logText(reply.hexLine + QLatin1Char('\n'));
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

// Reply reader: placeholder until the decoder lands (logs each chunk in hex).
#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "serial/serialport.h"

void MainWindow::readData()
{
    const QByteArray chunk = serialPort.readAll();
    ui->textEdit->insertPlainText(QString::fromLatin1(chunk.toHex()) + QLatin1Char('\n'));
    ui->textEdit->ensureCursorVisible();
}

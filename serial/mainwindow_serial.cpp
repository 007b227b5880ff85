// Serial link slots: port list, open, close, port watch, errors, transmit.
#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "serial/portlookup.h"
#include "serial/serialport.h"
#include "serial/simulatorports.h"
#include "traffic/trafficcontrols.h"
#include "traffic/trafficrecorder.h"

#include <QDebug>
#include <QSerialPortInfo>

namespace {
constexpr int portWatchIntervalMs = 500;
}

void MainWindow::startSerialLink()
{
    fillPortList();
    connect(&serialPort, &QSerialPort::errorOccurred, this, &MainWindow::handleError);
    connect(&serialPort, &QSerialPort::readyRead, this, &MainWindow::readData);
    portWatchTimer = startTimer(portWatchIntervalMs, Qt::CoarseTimer);
}

void MainWindow::fillPortList()
{
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        qDebug() << "Name : " << info.portName();
        qDebug() << "Description : " << info.description();
        qDebug() << "Manufacturer: " << info.manufacturer();
        ui->serialPortList->addItem(info.portName());
    }
    // Simulated modules come after the real ports, by device path.
    for (const QString &device : runningSimulatorPorts())
        ui->serialPortList->addItem(device);
}

void MainWindow::on_pushButton_10_clicked()
{
    ui->serialPortList->clear();
    fillPortList();
}

void MainWindow::on_openSerialPort_clicked()
{
    qDebug() << ui->serialPortList->currentText();
    const LineSettings settings =
        lineSettingsFrom(ui->serialPortList->currentText(), ui->SerialBaudRate_2->currentText());
    serialPort.setPortName(settings.portName);
    serialPort.setBaudRate(qint32(settings.baudRate), QSerialPort::AllDirections);
    serialPort.setDataBits(QSerialPort::Data8);
    serialPort.setParity(QSerialPort::NoParity);
    serialPort.setStopBits(QSerialPort::OneStop);
    serialPort.setFlowControl(QSerialPort::NoFlowControl);
    if (!serialPort.open(QIODevice::ReadWrite)) {
        showStatus(tr("Open error"));
        return;
    }
    traffic->recorder()->lineOpened();
    showStatus(connectedText(serialPort.portName(), settings.baudRate, serialPort.dataBits(),
                             serialPort.parity(), serialPort.stopBits(), serialPort.flowControl()));
}

void MainWindow::on_serialClose_clicked()
{
    serialPort.close();
    showStatus(tr("Port Closed"));
}

void MainWindow::handleError(QSerialPort::SerialPortError error)
{
    // A vanished far end shows up as ResourceError from a USB driver but as a
    // stream of ReadErrors from a hung-up pseudo-terminal; either way the
    // line is gone, and closing at once stops the flood.
    const bool lineGone =
        error == QSerialPort::ResourceError ||
        (error == QSerialPort::ReadError && serialPort.isOpen() && lineHungUp(serialPort.handle()));
    if (!lineGone)
        return;
    qDebug() << serialPort.errorString();
    ui->serialClose->click();
}

void MainWindow::timerEvent(QTimerEvent *)
{
    if (!portIsPresent(ui->serialPortList->currentText()))
        ui->serialClose->click();
}

void MainWindow::transmit(const QByteArray &frame)
{
    // Recorded while a port is open, as far as the port took the bytes.
    const qint64 taken = serialPort.write(frame.constData(), frame.size());
    if (serialPort.isOpen() && taken > 0)
        traffic->recorder()->record(Direction::Sent,
                                    taken == frame.size() ? frame : frame.left(int(taken)));
}

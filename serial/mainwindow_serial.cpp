// Serial link slots: port list, open, close, port watch, errors, transmit.
#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "serial/deviceidentity.h"
#include "serial/linkkeeper.h"
#include "serial/portlookup.h"
#include "serial/serialport.h"
#include "serial/simulatorports.h"
#include "traffic/trafficcontrols.h"
#include "traffic/trafficrecorder.h"

#include <QDebug>
#include <QLineEdit>

namespace {
constexpr int portWatchIntervalMs = 500;
}

void MainWindow::startSerialLink()
{
    // A device path can be typed in: a pseudo-terminal, a socat link, an
    // adapter the scan does not list.
    ui->serialPortList->setEditable(true);
    ui->serialPortList->setInsertPolicy(QComboBox::NoInsert);
    fillPortList();
    connect(&serialPort, &QSerialPort::errorOccurred, this, &MainWindow::handleError);
    connect(&serialPort, &QSerialPort::readyRead, this, &MainWindow::readData);
    portWatchTimer = startTimer(portWatchIntervalMs, Qt::CoarseTimer);
    startLinkKeeper();
}

void MainWindow::startLinkKeeper()
{
    LinkKeeperHooks hooks;
    hooks.reopen = [this](const LineSettings &line) {
        showPortChoice(line.portName);
        if (!openPort(line, false))
            return false;
        pendingCommand = 0; // nothing sent before the line went away is awaited
        return true;
    };
    hooks.showStatus = [this](const QString &text) { showStatus(text); };
    hooks.log = [this](const QString &line) { logText(line + QLatin1Char('\n')); };
    keeper = new LinkKeeper(ui->autoReconnect, std::move(hooks), this);
    // Another port chosen, or typed, ends the wait for the old one.
    const auto choiceChanged = [this](const QString &text) {
        if (keeper->isWaiting() && lineSettingsFrom(text, {}).portName != keeper->device().path)
            keeper->stop();
    };
    connect(ui->serialPortList, QOverload<int>::of(&QComboBox::activated), keeper,
            [this, choiceChanged](int) { choiceChanged(ui->serialPortList->currentText()); });
    connect(ui->serialPortList->lineEdit(), &QLineEdit::textEdited, keeper, choiceChanged);
}

void MainWindow::fillPortList()
{
    const QList<PortFacts> ports = availablePortFacts();
    for (const PortFacts &port : ports) {
        qDebug() << "Name : " << port.name;
        qDebug() << "Description : " << port.description;
        qDebug() << "Manufacturer: " << port.manufacturer;
        ui->serialPortList->addItem(port.name);
        ui->serialPortList->setItemData(ui->serialPortList->count() - 1, portToolTip(port),
                                        Qt::ToolTipRole);
    }
    // Simulated modules come after the real ports, by device path.
    for (const QString &device : runningSimulatorPorts()) {
        ui->serialPortList->addItem(device);
        ui->serialPortList->setItemData(ui->serialPortList->count() - 1,
                                        tr("A simulated Vexel900 (vexelsim)"), Qt::ToolTipRole);
    }
}

// Shows `port` as the chosen port, listed or typed.
void MainWindow::showPortChoice(const QString &port)
{
    const int listed = ui->serialPortList->findText(port);
    if (listed >= 0)
        ui->serialPortList->setCurrentIndex(listed);
    else
        ui->serialPortList->setEditText(port);
}

void MainWindow::on_pushButton_10_clicked()
{
    const QString chosen = ui->serialPortList->currentText();
    ui->serialPortList->clear();
    fillPortList();
    // The choice stays while its port is there, typed paths included.
    if (ui->serialPortList->findText(chosen) >= 0 || portIsPresent(chosen))
        showPortChoice(chosen);
}

void MainWindow::on_openSerialPort_clicked()
{
    qDebug() << ui->serialPortList->currentText();
    openPort(
        lineSettingsFrom(ui->serialPortList->currentText(), ui->SerialBaudRate_2->currentText()),
        true);
}

// Opens the port with the bench's fixed line settings. A failed attempt is
// reported when the user asked for it; the keeper's retries stay quiet.
bool MainWindow::openPort(const LineSettings &settings, bool reportFailure)
{
    serialPort.setPortName(settings.portName);
    serialPort.setBaudRate(qint32(settings.baudRate), QSerialPort::AllDirections);
    serialPort.setDataBits(QSerialPort::Data8);
    serialPort.setParity(QSerialPort::NoParity);
    serialPort.setStopBits(QSerialPort::OneStop);
    serialPort.setFlowControl(QSerialPort::NoFlowControl);
    if (!serialPort.open(QIODevice::ReadWrite)) {
        if (reportFailure)
            showStatus(tr("Open error"));
        return false;
    }
    traffic->recorder()->lineOpened();
    keeper->opened(settings);
    showStatus(connectedText(serialPort.portName(), settings.baudRate, serialPort.dataBits(),
                             serialPort.parity(), serialPort.stopBits(), serialPort.flowControl()));
    return true;
}

void MainWindow::on_serialClose_clicked()
{
    serialPort.close();
    showStatus(tr("Port Closed"));
    keeper->stop();
}

// The line went away under the bench: closed as Close closes it, then the
// keeper waits for the device to come back.
void MainWindow::closeLostPort()
{
    serialPort.close();
    showStatus(tr("Port Closed"));
    keeper->lost();
}

void MainWindow::handleError(QSerialPort::SerialPortError error)
{
    // Closing at once stops the flood of errors a hung-up line gives.
    if (!lineWentAway(serialPort, error))
        return;
    qDebug() << serialPort.errorString();
    closeLostPort();
}

void MainWindow::timerEvent(QTimerEvent *)
{
    // While the keeper waits, the port is closed and it does the looking.
    if (!serialPort.isOpen() && keeper->isWaiting())
        return;
    if (portIsPresent(ui->serialPortList->currentText()))
        return;
    if (serialPort.isOpen())
        closeLostPort();
    else
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

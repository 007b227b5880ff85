#include "ui/portpanel.h"
#include "ui_mainwindow.h"

#include "commands/portwriter.h"
#include "serial/linkkeeper.h"
#include "serial/modulelink.h"
#include "serial/portlookup.h"
#include "serial/simulatorports.h"

#include <QDebug>
#include <QLineEdit>

namespace {
constexpr int portWatchIntervalMs = 500;
}

PortPanel::PortPanel(Ui::MainWindow &form, ModuleLink &link, QObject *parent)
    : QObject(parent), ui(form), link(link)
{
    setObjectName(QStringLiteral("portPanel"));
    // A device path can be typed in: a pseudo-terminal, a socat link, an
    // adapter the scan does not list.
    ui.serialPortList->setEditable(true);
    ui.serialPortList->setInsertPolicy(QComboBox::NoInsert);

    connect(ui.pushButton_10, &QAbstractButton::clicked, this, &PortPanel::rescanPorts);
    connect(ui.openSerialPort, &QAbstractButton::clicked, this, [this] {
        qDebug() << ui.serialPortList->currentText();
        openPort(
            lineSettingsFrom(ui.serialPortList->currentText(), ui.SerialBaudRate_2->currentText()),
            true);
    });
    connect(ui.serialClose, &QAbstractButton::clicked, this, &PortPanel::closePort);
    connect(&link, &ModuleLink::lineLost, this, [this](const QString &reason) {
        qDebug() << reason;
        closeLostPort();
    });
    portWatch.setTimerType(Qt::CoarseTimer);
    connect(&portWatch, &QTimer::timeout, this, &PortPanel::watchPort);
    portWatch.start(portWatchIntervalMs);
    startKeeper();
    connectWriter();
}

void PortPanel::startKeeper()
{
    LinkKeeperHooks hooks;
    hooks.reopen = [this](const LineSettings &line) {
        showPortChoice(line.portName);
        if (!openPort(line, false))
            return false;
        link.disarm(); // nothing sent before the line went away is awaited
        return true;
    };
    hooks.showStatus = [this](const QString &text) { emit status(text); };
    hooks.log = [this](const QString &line) { emit logged(line + QLatin1Char('\n')); };
    linkKeeper = new LinkKeeper(std::move(hooks), this);
    linkKeeper->setAutoReconnect(ui.autoReconnect->isChecked());
    connect(ui.autoReconnect, &QAction::toggled, linkKeeper, &LinkKeeper::setAutoReconnect);
    // Another port chosen, or typed, ends the wait for the old one.
    const auto choiceChanged = [this](const QString &text) {
        if (linkKeeper->isWaiting() &&
            lineSettingsFrom(text, {}).portName != linkKeeper->device().path)
            linkKeeper->stop();
    };
    connect(ui.serialPortList, QOverload<int>::of(&QComboBox::activated), linkKeeper,
            [this, choiceChanged](int) { choiceChanged(ui.serialPortList->currentText()); });
    connect(ui.serialPortList->lineEdit(), &QLineEdit::textEdited, linkKeeper, choiceChanged);
}

// One arg() call per message: a file name such as "a%1.bin" would otherwise
// take the numbers meant for the later placeholders.
void PortPanel::connectWriter()
{
    PortWriter *writer = &link.writer();
    connect(writer, &PortWriter::progress, this,
            [this](const QString &name, qint64 sent, qint64 total) {
                emit status(tr("Sending %1: %2 of %3 bytes")
                                .arg(name, QString::number(sent), QString::number(total)));
            });
    connect(writer, &PortWriter::finished, this, [this](const QString &name, qint64 total) {
        emit status(
            tr("Sent %1: all %2 bytes have left the port").arg(name, QString::number(total)));
    });
    connect(writer, &PortWriter::stopped, this,
            [this](const QString &name, qint64 sent, qint64 total, const QString &reason) {
                const QString message =
                    tr("Sending %1 stopped after %2 of %3 bytes: %4")
                        .arg(name, QString::number(sent), QString::number(total), reason);
                emit status(message);
                // A closing port replaces the status at once with "Port
                // Closed"; the log keeps the word that the file was cut short.
                emit logged(message + QLatin1Char('\n'));
            });
}

void PortPanel::listPorts()
{
    if (listed)
        return;
    const QString chosen = ui.serialPortList->currentText();
    fillPortList();
    // The first entry listed would otherwise replace a path typed into the empty list.
    if (!chosen.isEmpty())
        showPortChoice(chosen);
}

void PortPanel::fillPortList()
{
    listed = true;
    const QList<PortFacts> ports = availablePortFacts();
    for (const PortFacts &port : ports) {
        qDebug() << "Name : " << port.name;
        qDebug() << "Description : " << port.description;
        qDebug() << "Manufacturer: " << port.manufacturer;
        ui.serialPortList->addItem(port.name);
        ui.serialPortList->setItemData(ui.serialPortList->count() - 1, portToolTip(port),
                                       Qt::ToolTipRole);
    }
    // Simulated modules come after the real ports, by device path.
    for (const QString &device : runningSimulatorPorts()) {
        ui.serialPortList->addItem(device);
        ui.serialPortList->setItemData(ui.serialPortList->count() - 1,
                                       tr("A simulated Vexel900 (vexelsim)"), Qt::ToolTipRole);
    }
}

void PortPanel::rescanPorts()
{
    const QString chosen = ui.serialPortList->currentText();
    ui.serialPortList->clear();
    fillPortList();
    // The choice stays while its port is there, typed paths included.
    if (ui.serialPortList->findText(chosen) >= 0 || portIsPresent(chosen))
        showPortChoice(chosen);
}

// Shows `port` as the chosen port, listed or typed.
void PortPanel::showPortChoice(const QString &port)
{
    const int listed = ui.serialPortList->findText(port);
    if (listed >= 0)
        ui.serialPortList->setCurrentIndex(listed);
    else
        ui.serialPortList->setEditText(port);
}

// A failed attempt is reported when the user asked for it; the keeper's
// retries stay quiet.
bool PortPanel::openPort(const LineSettings &settings, bool reportFailure)
{
    if (!link.open(settings)) {
        if (reportFailure)
            emit status(tr("Open error"));
        return false;
    }
    emit lineOpened();
    linkKeeper->opened(settings);
    const QSerialPort &port = link.port();
    emit status(connectedText(port.portName(), settings.baudRate, port.dataBits(), port.parity(),
                              port.stopBits(), port.flowControl()));
    return true;
}

void PortPanel::closePort()
{
    link.close();
    emit status(tr("Port Closed"));
    linkKeeper->stop();
}

// The line went away under the bench: closed as Close closes it, then the
// keeper waits for the device to come back.
void PortPanel::closeLostPort()
{
    link.close();
    emit status(tr("Port Closed"));
    linkKeeper->lost();
}

void PortPanel::watchPort()
{
    // While the keeper waits, the port is closed and it does the looking.
    if (!link.isOpen() && linkKeeper->isWaiting())
        return;
    if (portIsPresent(ui.serialPortList->currentText()))
        return;
    if (link.isOpen())
        closeLostPort();
    else
        ui.serialClose->click();
}

#include "windowsupport.h"

#include "serial/modulelink.h"
#include "ui/mainwindow.h"

#include <QComboBox>
#include <QPushButton>

void openPortInWindow(MainWindow &window, const QString &device, int baudRate)
{
    auto *ports = widget<QComboBox>(window, "serialPortList");
    ports->addItem(device);
    ports->setCurrentIndex(ports->count() - 1);
    if (baudRate > 0)
        widget<QComboBox>(window, "SerialBaudRate_2")->setCurrentText(QString::number(baudRate));
    widget<QPushButton>(window, "openSerialPort")->click();
    if (!windowLink(window).isOpen())
        qFatal("the window could not open %s", qPrintable(device));
}

ModuleLink &windowLink(MainWindow &window)
{
    auto *link = window.findChild<ModuleLink *>();
    if (!link)
        qFatal("the window has no link to the module");
    return *link;
}

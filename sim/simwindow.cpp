#include "simwindow.h"

#include "module.h"

#include <QMouseEvent>
#include <QPainter>

SimWindow::SimWindow(vxsim::Module *module, const QString &devicePath, QWidget *parent)
    : QWidget(parent), module(module), devicePath(devicePath)
{
    setFixedSize(vxsim::Screen::PanelWidth * Zoom, vxsim::Screen::PanelHeight * Zoom);
    showBuzzer(module->isBuzzerOn());
    connect(module, &vxsim::Module::screenChanged, this, QOverload<>::of(&QWidget::update));
    connect(module, &vxsim::Module::buzzerChanged, this, &SimWindow::showBuzzer);
}

void SimWindow::setDevicePath(const QString &path)
{
    devicePath = path;
    showBuzzer(module->isBuzzerOn());
}

void SimWindow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawImage(rect(), module->display().shown());
}

void SimWindow::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        module->press({event->x() / Zoom, event->y() / Zoom});
}

void SimWindow::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        module->release();
}

void SimWindow::showBuzzer(bool on)
{
    setWindowTitle(tr("vexelsim on %1%2").arg(devicePath, on ? tr(" - buzzer on") : QString()));
}

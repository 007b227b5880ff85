#ifndef WINDOWSUPPORT_H
#define WINDOWSUPPORT_H

#include <QString>
#include <QWidget>

class MainWindow;
class ModuleLink;

// Shared by the benchmarks that drive the real window through its widgets.

// The window's child of that name; the benchmark cannot go on without it.
template <typename T> T *widget(QWidget &window, const char *name)
{
    T *found = window.findChild<T *>(QLatin1String(name));
    if (!found)
        qFatal("no widget %s", name);
    return found;
}

// The window's line to the module.
ModuleLink &windowLink(MainWindow &window);

// The window's fastest rate, at which the flood and script benchmarks run.
constexpr int fastestBaudRate = 921600;

// Picks `device` in the Serial Port group and presses Open, at `baudRate`
// when one is given; a port that does not open ends the benchmark.
void openPortInWindow(MainWindow &window, const QString &device, int baudRate = 0);

#endif // WINDOWSUPPORT_H

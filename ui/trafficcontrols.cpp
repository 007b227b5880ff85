#include "ui/trafficcontrols.h"

#include "traffic/trafficrecorder.h"
#include "ui/trafficwindow.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>

TrafficControls::TrafficControls(QAction *showWindow, QAction *recordToFile, QWidget *mainWindow,
                                 std::function<void(const QString &)> showStatus)
    : QObject(mainWindow), mainWindow(mainWindow), recordAction(recordToFile),
      showStatus(std::move(showStatus)), traffic(new TrafficRecorder(this))
{
    connect(showWindow, &QAction::triggered, this, &TrafficControls::showWindow);
    connect(recordToFile, &QAction::toggled, this, &TrafficControls::recordToFile);
    connect(traffic, &TrafficRecorder::fileFailed, this, [this](const QString &error) {
        recordAction->setChecked(false);
        this->showStatus(error);
    });
}

void TrafficControls::showWindow()
{
    if (!window)
        window = new TrafficWindow(traffic, mainWindow);
    window->show();
    window->raise();
    window->activateWindow();
}

void TrafficControls::recordToFile(bool on)
{
    if (!on) {
        traffic->stopFile();
        return;
    }
    if (traffic->isRecordingToFile())
        return;
    const QString path = QFileDialog::getSaveFileName(mainWindow, tr("Record to File"), QString(),
                                                      tr("Captures (*.pcapng)"));
    const QString error = path.isEmpty() ? QString() : traffic->startFile(path);
    if (path.isEmpty() || !error.isEmpty()) {
        const QSignalBlocker quiet(recordAction);
        recordAction->setChecked(false);
        showStatus(error);
        return;
    }
    showStatus(tr("Recording to %1").arg(QDir::toNativeSeparators(path)));
}

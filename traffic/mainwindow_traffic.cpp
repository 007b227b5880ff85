// The traffic record beside the window: "View" → "Traffic" and "File" →
// "Record to File...". Frames and chunks reach the recorder from the
// transmit operation and the reply reader.
#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "traffic/trafficrecorder.h"
#include "traffic/trafficwindow.h"

#include <QDir>
#include <QFileDialog>

void MainWindow::startTrafficRecord()
{
    traffic = new TrafficRecorder(this);
    connect(ui->actionTraffic, &QAction::triggered, this, [this] {
        if (!trafficWindow)
            trafficWindow = new TrafficWindow(traffic, this);
        trafficWindow->show();
        trafficWindow->raise();
        trafficWindow->activateWindow();
    });
    connect(ui->actionRecordCapture, &QAction::toggled, this, &MainWindow::recordToFile);
    connect(traffic, &TrafficRecorder::fileFailed, this, [this](const QString &error) {
        ui->actionRecordCapture->setChecked(false);
        showStatus(error);
    });
}

void MainWindow::recordToFile(bool on)
{
    if (!on) {
        traffic->stopFile();
        return;
    }
    if (traffic->isRecordingToFile())
        return;
    const QString path = QFileDialog::getSaveFileName(this, tr("Record to File"), QString(),
                                                      tr("Captures (*.pcapng)"));
    const QString error = path.isEmpty() ? QString() : traffic->startFile(path);
    if (path.isEmpty() || !error.isEmpty()) {
        const QSignalBlocker quiet(ui->actionRecordCapture);
        ui->actionRecordCapture->setChecked(false);
        showStatus(error);
        return;
    }
    showStatus(tr("Recording to %1").arg(QDir::toNativeSeparators(path)));
}

void MainWindow::recordTraffic(bool sent, const QByteArray &bytes)
{
    traffic->record(sent ? Direction::Sent : Direction::Received, bytes);
}

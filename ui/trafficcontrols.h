#ifndef TRAFFICCONTROLS_H
#define TRAFFICCONTROLS_H

#include <QObject>
#include <QPointer>

#include <functional>

class QAction;
class QWidget;
class TrafficRecorder;
class TrafficWindow;

// The traffic record beside the main window: owns the recorder, answers
// "View" → "Traffic" with the Traffic window and "File" → "Record to
// File..." with a capture file. Problems go to `showStatus`.
class TrafficControls : public QObject
{
    Q_OBJECT

public:
    TrafficControls(QAction *showWindow, QAction *recordToFile, QWidget *mainWindow,
                    std::function<void(const QString &)> showStatus);

    TrafficRecorder *recorder() const { return traffic; }

private:
    void showWindow();
    void recordToFile(bool on);

    QWidget *mainWindow;
    QAction *recordAction;
    std::function<void(const QString &)> showStatus;
    TrafficRecorder *traffic;
    QPointer<TrafficWindow> window; // made when first shown
};

#endif // TRAFFICCONTROLS_H

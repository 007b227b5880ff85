#ifndef TRAFFICWINDOW_H
#define TRAFFICWINDOW_H

#include "traffic/trafficlog.h"

#include <QWidget>

#include <memory>

class QLabel;
class QLineEdit;
class QPushButton;
class QSortFilterProxyModel;
class QTableView;
class QTimer;
class TrafficModel;
class TrafficRecorder;

// The record of the exchange with the module, beside the main window: every
// frame and chunk with its time, bytes, meaning and latency. It shows the
// live record, or a capture opened from a file until "Live" is pressed.
class TrafficWindow : public QWidget
{
    Q_OBJECT

public:
    explicit TrafficWindow(TrafficRecorder *recorder, QWidget *parent = nullptr);
    ~TrafficWindow() override;

    // Shows a capture read from `path` instead of the live record.
    void openCapture(const QString &path);
    void saveCapture(const QString &path);

private:
    void buildLayout();
    void connectControls();
    void recordAppended(int dropped);
    void appendRows();
    void showLive();
    void showCounts();
    void showCountsSoon();
    void askToOpen();
    void askToSave();

    TrafficRecorder *recorder;
    TrafficModel *model;
    QSortFilterProxyModel *filtered;
    std::unique_ptr<TrafficLog> opened; // a capture from a file, while shown
    QString openedName;
    QString problem; // the last open or save problem, shown with the counts

    QTableView *table;
    QLineEdit *filter;
    QPushButton *clear;
    QPushButton *save;
    QPushButton *open;
    QPushButton *live;
    QLabel *counts;
    QTimer *countsTimer;
    QTimer *rowsTimer;
    int droppedSinceShown = 0; // records dropped from the log the view has not removed yet
};

#endif // TRAFFICWINDOW_H

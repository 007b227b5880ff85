#ifndef TRAFFICMODEL_H
#define TRAFFICMODEL_H

#include "traffic/trafficlog.h"

#include <QAbstractTableModel>

// The rows of a traffic log for a table view. Cell texts are made when the
// view asks for them, so a hundred thousand records cost only what is shown.
class TrafficModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column
    {
        Time,
        Direction,
        Hex,
        Ascii,
        Meaning,
        Latency,
        ColumnCount
    };

    explicit TrafficModel(QObject *parent = nullptr);

    // The log shown; it must outlive the model or be replaced first.
    void showLog(const TrafficLog *log);
    const TrafficLog *shownLog() const { return log; }

    // The log gained entries at the end after losing `dropped` at the front.
    void entryAppended(int dropped);
    void logCleared();

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    static QString cellText(const TrafficEntry &entry, int column);

private:
    const TrafficLog *log = nullptr;
    int rows = 0; // what the view has been told of
};

#endif // TRAFFICMODEL_H

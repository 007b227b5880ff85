#include "traffic/trafficmodel.h"

#include "traffic/trafficdecoder.h"

namespace {

// Milliseconds with their microseconds: "1234.567".
QString millis(qint64 micros)
{
    const QString sign = micros < 0 ? QStringLiteral("-") : QString();
    micros = qAbs(micros);
    return sign +
           QStringLiteral("%1.%2").arg(micros / 1000).arg(micros % 1000, 3, 10, QLatin1Char('0'));
}

// A cell holds the start of a long chunk: a screenful of hex is all anyone
// reads there, and shaping 4 KB of it for every paint starves a flood.
constexpr int bytesShown = 64;

QString shownBytes(const QByteArray &bytes, QString (*shown)(const QByteArray &))
{
    if (bytes.size() <= bytesShown)
        return shown(bytes);
    return shown(bytes.left(bytesShown)) + QStringLiteral(" … (%1 bytes)").arg(bytes.size());
}

} // namespace

TrafficModel::TrafficModel(QObject *parent) : QAbstractTableModel(parent) {}

void TrafficModel::showLog(const TrafficLog *shown)
{
    beginResetModel();
    log = shown;
    rows = log ? int(log->size()) : 0;
    endResetModel();
}

void TrafficModel::entryAppended(int dropped)
{
    if (!log)
        return;
    dropped = qMin(dropped, rows);
    if (dropped > 0) {
        beginRemoveRows(QModelIndex(), 0, dropped - 1);
        rows -= dropped;
        endRemoveRows();
    }
    const int now = int(log->size());
    if (now > rows) {
        beginInsertRows(QModelIndex(), rows, now - 1);
        rows = now;
        endInsertRows();
    }
}

void TrafficModel::logCleared()
{
    showLog(log);
}

int TrafficModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : rows;
}

int TrafficModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString TrafficModel::cellText(const TrafficEntry &entry, int column)
{
    const TrafficRecord &record = entry.record;
    switch (column) {
    case Time:
        return millis(record.micros);
    case Direction:
        return record.direction == ::Direction::Sent ? QStringLiteral("sent")
                                                     : QStringLiteral("received");
    case Hex:
        return shownBytes(record.bytes, hexText);
    case Ascii:
        return shownBytes(record.bytes, asciiText);
    case Meaning:
        return entry.meaning;
    case Latency:
        return entry.latencyMicros < 0 ? QString() : millis(entry.latencyMicros) + " ms";
    default:
        return QString();
    }
}

QVariant TrafficModel::data(const QModelIndex &index, int role) const
{
    // The log drops its oldest entries before the view is told: rows past
    // its end may still be asked for while they are being removed.
    if (!log || !index.isValid() || index.row() >= rows || index.row() >= log->size())
        return QVariant();
    if (role == Qt::DisplayRole)
        return cellText(log->at(index.row()), index.column());
    if (role == Qt::TextAlignmentRole && (index.column() == Time || index.column() == Latency))
        return int(Qt::AlignRight | Qt::AlignVCenter);
    return QVariant();
}

QVariant TrafficModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char *const titles[ColumnCount] = {"Time (ms)", "Direction", "Hex",
                                                    "ASCII",     "Meaning",   "Latency"};
    return section >= 0 && section < ColumnCount ? tr(titles[section]) : QVariant();
}

#ifndef FILEDROPS_H
#define FILEDROPS_H

#include <QObject>
#include <QStringList>

class QAbstractScrollArea;

// Lets a table take files dropped on it: local files and folders dragged
// over its viewport are accepted there and handed on as paths, instead of
// passing up to the window, which only logs what is dropped on it.
class FileDropTarget : public QObject
{
    Q_OBJECT

public:
    explicit FileDropTarget(QAbstractScrollArea *view);

signals:
    void filesDropped(const QStringList &paths);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};

#endif // FILEDROPS_H

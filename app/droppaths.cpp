#include "app/droppaths.h"

#include <QStringList>

QString droppedPathsText(const QList<QUrl> &urls)
{
    QStringList paths;
    for (const QUrl &url : urls.mid(0, maxDroppedPaths))
        paths << url.toLocalFile();
    return paths.join(QLatin1Char('\n'));
}

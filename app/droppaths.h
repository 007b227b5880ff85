#ifndef DROPPATHS_H
#define DROPPATHS_H

#include <QList>
#include <QString>
#include <QUrl>

// Most paths one drop puts into the log pane.
constexpr int maxDroppedPaths = 32;

// The log text for dropped URLs: the local paths of the first 32, one per
// line; a URL that is not a local file gives an empty line.
QString droppedPathsText(const QList<QUrl> &urls);

#endif // DROPPATHS_H

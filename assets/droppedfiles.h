#ifndef DROPPEDFILES_H
#define DROPPEDFILES_H

#include <QStringList>

struct DroppedFiles
{
    QStringList accepted; // in the order dropped, a folder's files by name
    QStringList ignored;  // names of files of other kinds
};

// The files among `paths` whose suffix is one of `suffixes` (lower case,
// no dot, compared without regard to case). A folder stands for its own
// files with one of `folderSuffixes`, in name order; its other files and its
// subfolders are left alone.
DroppedFiles droppedFiles(const QStringList &paths, const QStringList &suffixes,
                          const QStringList &folderSuffixes);

#endif // DROPPEDFILES_H

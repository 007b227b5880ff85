#ifndef DATAFILES_H
#define DATAFILES_H

#include <QString>
#include <QStringList>

extern const char *const styleSheetFileName;
extern const char *const fontFileName;

// The folders the bench takes its style sheet, font and manual from, in
// order: the working directory, as it always has, then the data installed
// with the executable (share/vexelbench beside its bin folder), so an
// installed bench looks the same whichever folder it is started from.
QStringList dataDirectories();

// The absolute path of `fileName` in the first of dataDirectories() that
// holds it, or an empty string.
QString findDataFile(const QString &fileName);

// The folders that may hold the web manual plugin, in order; none in a
// build without it, so a Qt 6 bench never loads a Qt 5 plugin it finds.
QStringList webManualPluginDirectories();

#endif // DATAFILES_H

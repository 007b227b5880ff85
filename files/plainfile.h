#ifndef PLAINFILE_H
#define PLAINFILE_H

#include <QFile>
#include <QString>

// Opens `file` for reading if it is a plain file. Pipes and devices are
// refused: a path typed by hand or found in a Config.txt could otherwise
// block the window or never end. On failure `why` says what was wrong.
bool openPlainFile(QFile &file, QString &why);

#endif // PLAINFILE_H

#include "files/plainfile.h"

#include <QFileInfo>

bool openPlainFile(QFile &file, QString &why)
{
    const QFileInfo info(file.fileName());
    if (!info.exists())
        why = QStringLiteral("no such file");
    else if (!info.isFile())
        why = QStringLiteral("not a plain file");
    else if (!file.open(QIODevice::ReadOnly))
        why = file.errorString();
    else
        return true;
    return false;
}

#include "app/datafiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

const char *const styleSheetFileName = "style.qss";
const char *const fontFileName = "NovaSquare.ttf";

namespace {

// Relative to the executable rather than a fixed prefix: the same binary
// works from /usr, /usr/local, a private prefix or an unpacked package.
QString besideExecutable(const char *relative)
{
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + QLatin1Char('/') +
                           QLatin1String(relative));
}

} // namespace

QStringList dataDirectories()
{
    return {QDir::currentPath(), besideExecutable(VEXEL_DATA_DIR_FROM_BIN)};
}

QString findDataFile(const QString &fileName)
{
    for (const QString &directory : dataDirectories()) {
        const QFileInfo file(QDir(directory), fileName);
        if (file.isFile())
            return file.absoluteFilePath();
    }
    return {};
}

QStringList webManualPluginDirectories()
{
    QStringList directories;
#ifdef VEXEL_WEB_MANUAL_DIR_FROM_BIN
    // Beside the executable first, where it has always been looked for.
    directories << QCoreApplication::applicationDirPath()
                << besideExecutable(VEXEL_WEB_MANUAL_DIR_FROM_BIN);
#endif
#ifdef VEXEL_WEB_MANUAL_DIR
    // The build's output directory, for tests that run from their own folders.
    directories << QStringLiteral(VEXEL_WEB_MANUAL_DIR);
#endif
    return directories;
}

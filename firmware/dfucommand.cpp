#include "firmware/dfucommand.h"

#include <QStandardPaths>

namespace {
const char *const windowsProgram = "dfu-util-static.exe";
const char *const debianProgram = "dfu-util";
} // namespace

QString findDfuProgram()
{
    const QString preferred = QString::fromLatin1(windowsProgram);
    const QString found = QStandardPaths::findExecutable(preferred);
    if (!found.isEmpty())
        return found;
#ifdef Q_OS_WIN
    return preferred;
#else
    const QString debian = QStandardPaths::findExecutable(QString::fromLatin1(debianProgram));
    return debian.isEmpty() ? QString::fromLatin1(debianProgram) : debian;
#endif
}

DfuCommand dfuCommand(const QString &program, const QString &firmwareFile)
{
    // Reset after download, alternate setting 0, the module's bootloader
    // (vendor 0483, product df11), download the file.
    return {program,
            {QStringLiteral("--reset"), QStringLiteral("-a"), QStringLiteral("0"),
             QStringLiteral("-d483:df11"), QStringLiteral("-D") + firmwareFile}};
}

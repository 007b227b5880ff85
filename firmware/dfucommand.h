#ifndef DFUCOMMAND_H
#define DFUCOMMAND_H

#include <QString>
#include <QStringList>

// The DFU utility's command line, passed as a list so a firmware path with
// spaces stays one "-D<path>" word.
struct DfuCommand
{
    QString program;
    QStringList arguments;
};

// "dfu-util-static.exe" from the program search; elsewhere than Windows,
// Debian's "dfu-util" when the former is not found. When nothing is found
// the platform's name is returned, so the start failure names it.
QString findDfuProgram();

DfuCommand dfuCommand(const QString &program, const QString &firmwareFile);

#endif // DFUCOMMAND_H

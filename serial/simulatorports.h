#ifndef SIMULATORPORTS_H
#define SIMULATORPORTS_H

#include <QString>
#include <QStringList>

// Where running simulated modules announce their lines: one link per
// simulator, "vexelsim-<pid>", pointing at its pseudo-terminal.
QString simulatorLinkFolder();

// Device paths of the simulators announced in `folder` whose process is
// alive and whose device still exists, in link-name order.
QStringList runningSimulatorPorts(const QString &folder = simulatorLinkFolder());

#endif // SIMULATORPORTS_H

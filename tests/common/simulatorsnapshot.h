#ifndef SIMULATORSNAPSHOT_H
#define SIMULATORSNAPSHOT_H

// The simulator's panel as a picture, for tests that compare it with the
// preview. The including test defines VEXELSIM_PATH.

#include "simulatorprocess.h"

#include <QFileInfo>
#include <QImage>
#include <QTest>

// What the simulator's panel shows once it has answered a ping sent after
// `bytes` on `port`: everything sent before has been drawn by then. The
// snapshot goes to `path`; null when no answer or no picture came.
inline QImage snapshotAfterPing(QProcess &simulator, QSerialPort &port, const QString &path,
                                const QByteArray &bytes = {})
{
    const char ping = char(0x83);
    if (!exchange(port, bytes + ping, 1).endsWith('8'))
        return {};
    simulator.write("snapshot " + path.toLocal8Bit() + "\n");
    QImage snapshot;
    QElapsedTimer clock;
    clock.start();
    // The file may be seen before it is whole: read until it loads.
    while (!(QFileInfo::exists(path) && snapshot.load(path)) && clock.elapsed() < 5000)
        QTest::qWait(20);
    return snapshot.isNull() ? snapshot : snapshot.convertToFormat(QImage::Format_RGB32);
}

// Ends a simulator as its user would, killing one that does not listen.
inline void quitSimulator(QProcess &simulator)
{
    simulator.write("quit\n");
    if (!simulator.waitForFinished(5000))
        simulator.kill();
}

#endif // SIMULATORSNAPSHOT_H

#ifndef SIMULATORPROCESS_H
#define SIMULATORPROCESS_H

// The built simulator as a child process, for the tests that talk to it over
// its pseudo-terminal. The including test defines VEXELSIM_PATH.

#include <QElapsedTimer>
#include <QProcess>
#include <QSerialPort>

#include <memory>

// Starts vexelsim with `arguments`, its runtime links under `runtimeDir`
// instead of the user's. Its errors go to the test's own unless kept to be
// read; the caller checks waitForStarted.
inline std::unique_ptr<QProcess>
launchSimulator(const QString &runtimeDir, const QStringList &arguments, bool keepErrors = false)
{
    auto simulator = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir);
    simulator->setProcessEnvironment(environment);
    if (!keepErrors)
        simulator->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    simulator->start(QStringLiteral(VEXELSIM_PATH), arguments);
    return simulator;
}

// The next line the simulator prints, which names its current line; empty
// when none came in time.
inline QString nextDevice(QProcess &simulator, int timeoutMs = 5000)
{
    QElapsedTimer clock;
    clock.start();
    while (!simulator.canReadLine() && clock.elapsed() < timeoutMs)
        simulator.waitForReadyRead(50);
    return QString::fromLocal8Bit(simulator.readLine()).trimmed();
}

// What arrives on `port` until there are `expected` bytes or 3 s passed.
inline QByteArray readAtLeast(QSerialPort &port, int expected)
{
    QByteArray answer;
    QElapsedTimer clock;
    clock.start();
    while (answer.size() < expected && clock.elapsed() < 3000) {
        port.waitForReadyRead(50);
        answer += port.readAll();
    }
    return answer;
}

inline QByteArray exchange(QSerialPort &port, const QByteArray &command, int expected)
{
    port.write(command);
    port.waitForBytesWritten(1000);
    return readAtLeast(port, expected);
}

#endif // SIMULATORPROCESS_H

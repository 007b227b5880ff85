#ifndef VXSIM_SIMHOST_H
#define VXSIM_SIMHOST_H

#include <QByteArray>
#include <QObject>
#include <QString>

class QSocketNotifier;

namespace vxsim {
class CaptureFile;
class Module;
class PseudoTerminal;
} // namespace vxsim

// Connects the simulated module to its line and to the person running it:
// snapshots on request and a few commands read from standard input.
class SimHost : public QObject
{
    Q_OBJECT

public:
    // `capture` may be null; otherwise it records the line from the module's side.
    SimHost(vxsim::Module *module, vxsim::PseudoTerminal *line, const QString &snapshotPath,
            vxsim::CaptureFile *capture = nullptr, QObject *parent = nullptr);

    bool takeSnapshot(const QString &path = {}) const;
    void watchStandardInput();

    static constexpr double MaxReplugPauseSeconds = 3600;

signals:
    void quitRequested();
    void replugRequested(int pauseMs);

private:
    void readStandardInput();
    void runCommand(const QByteArray &commandLine);
    void touch(const QList<QByteArray> &words);
    void replug(const QList<QByteArray> &words);

    vxsim::Module *module;
    QString snapshotPath;
    QByteArray pendingInput;
    QSocketNotifier *input = nullptr;
};

#endif // VXSIM_SIMHOST_H

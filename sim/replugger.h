#ifndef VXSIM_REPLUGGER_H
#define VXSIM_REPLUGGER_H

#include <QDeadlineTimer>
#include <QObject>
#include <QString>

namespace vxsim {
class Module;
class PseudoTerminal;
} // namespace vxsim

// Pulls the line's plug and puts it back, as with a USB adapter: the line
// hangs up, and after a pause a new device appears in its place. A replug
// keeps the module powered; a reset replug plays the module rebooting.
class Replugger : public QObject
{
    Q_OBJECT

public:
    static constexpr int DefaultPauseMs = 1000;
    // A reset waits this long at most for the bench to read the answer
    // before the line goes; reading it is the bench's last chance.
    static constexpr int AnswerWaitMs = 1000;
    static constexpr int AnswerCheckMs = 50;

    Replugger(vxsim::Module *module, vxsim::PseudoTerminal *line, QObject *parent = nullptr);

    // The module keeps its state; only a frame cut off by the hang-up goes.
    void replug(int pauseMs);
    // Once the bench has read what is on the line: hang up, restart the
    // module, and bring the line back after the pause.
    void resetAndReplug(int pauseMs);
    // From now on every frame of code FD resets and replugs after the
    // default pause: Reset Vexel cannot be told from Get Serial.
    void replugOnReset();

signals:
    void pluggedIn(const QString &devicePath);
    void lost(const QString &error);

private:
    bool unplug();
    void resetOnceRead(int pauseMs, QDeadlineTimer answerDeadline);
    void plugInAfter(int pauseMs);

    vxsim::Module *module;
    vxsim::PseudoTerminal *line;
    bool replugging = false;
};

#endif // VXSIM_REPLUGGER_H

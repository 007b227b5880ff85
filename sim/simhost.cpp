#include "simhost.h"

#include "capturefile.h"
#include "module.h"
#include "pseudoterminal.h"
#include "replugger.h"

#include <QSaveFile>
#include <QSocketNotifier>
#include <QtDebug>

#include <csignal>
#include <unistd.h>

using vxsim::Module;

SimHost::SimHost(Module *module, vxsim::PseudoTerminal *line, const QString &snapshotPath,
                 vxsim::CaptureFile *capture, QObject *parent)
    : QObject(parent), module(module), snapshotPath(snapshotPath)
{
    if (capture) {
        // Connected before the module: its replies go out while it takes the
        // chunk, and must follow that chunk in the capture.
        using Direction = vxsim::CaptureFile::Direction;
        connect(line, &vxsim::PseudoTerminal::received, this,
                [capture](const QByteArray &bytes) { capture->record(Direction::Inbound, bytes); });
        connect(line, &vxsim::PseudoTerminal::sent, this, [capture](const QByteArray &bytes) {
            capture->record(Direction::Outbound, bytes);
        });
    }
    connect(line, &vxsim::PseudoTerminal::received, module, &Module::receive);
    connect(module, &Module::reply, line, &vxsim::PseudoTerminal::send);
    connect(module, &Module::buzzerChanged, this,
            [](bool on) { qInfo("vexelsim: buzzer %s", on ? "on" : "off"); });
}

bool SimHost::takeSnapshot(const QString &path) const
{
    const QString target = path.isEmpty() ? snapshotPath : path;
    // Written aside and renamed into place, so that whoever waits for the
    // file to appear never reads half a picture.
    QSaveFile file(target);
    const bool saved = file.open(QIODevice::WriteOnly) &&
                       module->display().shown().save(&file, "PNG") && file.commit();
    if (saved)
        qInfo("vexelsim: snapshot saved to %s", qPrintable(target));
    else
        qWarning("vexelsim: could not save a snapshot to %s", qPrintable(target));
    return saved;
}

void SimHost::watchStandardInput()
{
    // A simulator started in the background of an interactive shell must not
    // be stopped for reading the terminal; the read then fails and ends input.
    ::signal(SIGTTIN, SIG_IGN);
    input = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
    connect(input, &QSocketNotifier::activated, this, &SimHost::readStandardInput);
}

void SimHost::readStandardInput()
{
    char buffer[1024];
    const ssize_t count = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (count <= 0) {
        input->setEnabled(false); // end of input: keep running without it
        return;
    }
    pendingInput.append(buffer, int(count));
    int end;
    while ((end = pendingInput.indexOf('\n')) >= 0) {
        runCommand(pendingInput.left(end).trimmed());
        pendingInput.remove(0, end + 1);
    }
}

void SimHost::runCommand(const QByteArray &commandLine)
{
    const QList<QByteArray> words = commandLine.simplified().split(' ');
    const QByteArray &verb = words.first();
    if (verb == "snapshot" && words.size() <= 2) {
        takeSnapshot(words.size() == 2 ? QString::fromLocal8Bit(words.at(1)) : QString());
    } else if (verb == "touch" && words.size() == 3) {
        touch(words);
    } else if (verb == "replug") {
        replug(words);
    } else if (verb == "quit") {
        emit quitRequested();
    } else if (!verb.isEmpty()) {
        qWarning("vexelsim: unknown command \"%s\" "
                 "(snapshot [FILE], touch X Y, replug [SECONDS], quit)",
                 commandLine.constData());
    }
}

void SimHost::touch(const QList<QByteArray> &words)
{
    bool xOk = false;
    bool yOk = false;
    const QPoint point(words.at(1).toInt(&xOk), words.at(2).toInt(&yOk));
    if (!xOk || !yOk) {
        qWarning("vexelsim: touch needs two numbers");
        return;
    }
    module->press(point);
    module->release();
}

void SimHost::replug(const QList<QByteArray> &words)
{
    if (words.size() == 1) {
        emit replugRequested(Replugger::DefaultPauseMs);
        return;
    }
    bool ok = false;
    const double seconds = words.at(1).toDouble(&ok);
    // The negated test also refuses NaN.
    if (!ok || words.size() > 2 || !(seconds >= 0 && seconds <= MaxReplugPauseSeconds)) {
        qWarning("vexelsim: replug takes a pause of 0 to %g seconds, such as 0.5",
                 MaxReplugPauseSeconds);
        return;
    }
    emit replugRequested(qRound(seconds * 1000));
}

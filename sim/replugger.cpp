#include "replugger.h"

#include "module.h"
#include "pseudoterminal.h"

#include <QTimer>
#include <QtDebug>

Replugger::Replugger(vxsim::Module *module, vxsim::PseudoTerminal *line, QObject *parent)
    : QObject(parent), module(module), line(line)
{
}

void Replugger::replug(int pauseMs)
{
    if (replugging) {
        qWarning("vexelsim: the line is being replugged already");
        return;
    }
    replugging = true;
    if (!unplug())
        return;
    module->dropPartialFrame();
    plugInAfter(pauseMs);
}

void Replugger::resetAndReplug(int pauseMs)
{
    if (replugging)
        return; // a second reset frame in the same breath
    replugging = true;
    // The answer may still sit in the kernel's buffer at first, where the
    // device does not count it yet; look only after a moment.
    const QDeadlineTimer answerDeadline(AnswerWaitMs);
    QTimer::singleShot(AnswerCheckMs, this, [=] { resetOnceRead(pauseMs, answerDeadline); });
}

void Replugger::replugOnReset()
{
    connect(module, &vxsim::Module::serialOrResetReceived, this,
            [this] { resetAndReplug(DefaultPauseMs); });
}

void Replugger::resetOnceRead(int pauseMs, QDeadlineTimer answerDeadline)
{
    if (line->hasUnreadReplies() && !answerDeadline.hasExpired()) {
        QTimer::singleShot(AnswerCheckMs, this, [=] { resetOnceRead(pauseMs, answerDeadline); });
        return;
    }
    if (!unplug())
        return;
    module->restart();
    qInfo("vexelsim: the module restarted");
    plugInAfter(pauseMs);
}

bool Replugger::unplug()
{
    const QString oldPath = line->devicePath();
    QString error;
    if (!line->unplug(&error)) {
        qWarning("vexelsim: cannot replug, the line stays: %s", qPrintable(error));
        replugging = false;
        return false;
    }
    qInfo("vexelsim: %s unplugged", qPrintable(oldPath));
    return true;
}

void Replugger::plugInAfter(int pauseMs)
{
    QTimer::singleShot(pauseMs, this, [this] {
        replugging = false;
        QString error;
        if (line->plugIn(&error))
            emit pluggedIn(line->devicePath());
        else
            emit lost(error);
    });
}

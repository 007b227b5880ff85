#include "sdcard/cardjob.h"

#include "config/configtext.h"

#include <QThread>

QString CardOutcome::summary() const
{
    if (!refusal.isEmpty())
        return refusal;
    return cardSummary(write);
}

CardOutcome makeCard(const CardRequest &request, const CardProgress &progress,
                     const std::atomic<bool> *cancel, const CardSpaceProbe &space)
{
    CardOutcome outcome;
    outcome.settings = request.settings;
    outcome.plan = planCard(request.fontPaths, request.imagePaths, request.root);
    if (!outcome.plan.ok()) {
        outcome.refusal = outcome.plan.error;
        return outcome;
    }
    outcome.configText =
        configText(request.settings, outcome.plan.fontCardPaths(), outcome.plan.imageCardPaths());
    outcome.refusal = checkRoom(outcome.plan, outcome.configText, space(outcome.plan.root));
    if (outcome.refusal.isEmpty())
        outcome.write = writeCard(outcome.plan, outcome.configText, progress, cancel);
    return outcome;
}

CardJob::CardJob(QObject *parent) : QObject(parent) {}

CardJob::~CardJob()
{
    if (!worker)
        return;
    cancelled = true;
    worker->wait();
    delete worker;
}

bool CardJob::start(const CardRequest &request, const CardSpaceProbe &space)
{
    if (worker)
        return false;
    cancelled = false;
    // Progress and the outcome are handed to this object's thread; events
    // still queued when the job is destroyed are dropped with it.
    const CardProgress progress = [this](qint64 done, qint64 total, const QString &file) {
        QMetaObject::invokeMethod(
            this, [this, done, total, file] { emit progressed(done, total, file); },
            Qt::QueuedConnection);
    };
    worker = QThread::create([this, request, space, progress] {
        const CardOutcome outcome = makeCard(request, progress, &cancelled, space);
        QMetaObject::invokeMethod(
            this, [this, outcome] { finish(outcome); }, Qt::QueuedConnection);
    });
    worker->start();
    return true;
}

void CardJob::finish(const CardOutcome &outcome)
{
    worker->wait();
    delete worker;
    worker = nullptr;
    emit finished(outcome);
}

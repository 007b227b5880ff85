#ifndef CARDJOB_H
#define CARDJOB_H

#include "config/startupsettings.h"
#include "sdcard/cardwriter.h"

#include <QObject>
#include <QStringList>

#include <atomic>
#include <functional>

class QThread;

// Everything "Generate SD Card" needs, taken from the lists and the page.
struct CardRequest
{
    QStringList fontPaths;
    QStringList imagePaths;
    QString root;
    StartupSettings settings;
};

struct CardOutcome
{
    CardPlan plan;
    QString configText; // what Config.txt says; empty when the plan was refused
    QString refusal;    // why nothing was written: the plan or the room
    CardWrite write;
    StartupSettings settings; // the page the text was composed from

    // One line for the status bar or stderr.
    QString summary() const;
    bool succeeded() const
    {
        return refusal.isEmpty() && write.error.isEmpty() && write.complete();
    }
};

using CardSpaceProbe = std::function<CardSpace(const QString &root)>;

// Plans the card, composes Config.txt from the card paths, checks the room
// and only then writes. Synchronous; `space` is asked for the free space.
CardOutcome makeCard(const CardRequest &request, const CardProgress &progress = {},
                     const std::atomic<bool> *cancel = nullptr,
                     const CardSpaceProbe &space = cardSpace);

// makeCard() on a worker thread, so the window stays responsive and can
// cancel. Signals arrive on the thread that owns the job.
class CardJob : public QObject
{
    Q_OBJECT

public:
    explicit CardJob(QObject *parent = nullptr);
    ~CardJob() override; // cancels a running write and waits for it

    // False while a card is being written.
    bool start(const CardRequest &request, const CardSpaceProbe &space = cardSpace);
    void cancel() { cancelled = true; }
    bool isRunning() const { return worker != nullptr; }

signals:
    void progressed(qint64 done, qint64 total, const QString &file);
    void finished(const CardOutcome &outcome);

private:
    void finish(const CardOutcome &outcome);

    QThread *worker = nullptr;
    std::atomic<bool> cancelled{false};
};

#endif // CARDJOB_H

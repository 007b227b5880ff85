#ifndef CARDWRITER_H
#define CARDWRITER_H

#include <QString>
#include <QStringList>
#include <QVector>

#include <atomic>
#include <functional>

// What becomes of one listed file on the card.
enum class CardAction
{
    Copy,      // written to its card path
    Unchanged, // the card already holds the same bytes there
    OnCard,    // lies inside the card root already and is used where it is
    Repeat,    // an earlier entry puts the same bytes under this card name
};

struct CardEntry
{
    QString source;   // the host file, canonical
    QString cardPath; // what Config.txt names: "/FONTS/a.vxf"
    QString target;   // where it goes on the host: "<root>/FONTS/a.vxf"
    qint64 size = 0;
    CardAction action = CardAction::Copy;
};

// Everything a write will do, worked out and checked before the card is touched.
struct CardPlan
{
    QString root; // canonical card root
    QVector<CardEntry> fonts;
    QVector<CardEntry> images;
    QString error; // one line; when set, the card must not be written

    bool ok() const { return error.isEmpty(); }
    // In list order, one per listed file, for Config.txt.
    QStringList fontCardPaths() const;
    QStringList imageCardPaths() const;
    qint64 bytesToCopy() const;
    int filesToCopy() const;
    // Folders the write will have to make (FONTS, IMAGES).
    QStringList foldersToMake() const;
};

// Plans copying `fontPaths` to FONTS/ and `imagePaths` to IMAGES/ on the card
// at `cardRoot`, and checks the sources, card names, targets and that the
// root can be written. Files whose size matches the card's copy are compared
// byte for byte, so this reads them: call it where a wait is acceptable.
CardPlan planCard(const QStringList &fontPaths, const QStringList &imagePaths,
                  const QString &cardRoot);

struct CardSpace
{
    qint64 available = 0;
    qint64 blockSize = 4096;
};

// The free space of the filesystem that holds `root`.
CardSpace cardSpace(const QString &root);

// Why `configText` and the files `plan` copies do not fit in `space`, each
// file counted in whole blocks. Empty when they fit.
QString checkRoom(const CardPlan &plan, const QString &configText, const CardSpace &space);

struct CardWrite
{
    QString root;
    QStringList written;   // card paths copied
    QStringList unchanged; // card paths left as they were, on-card files included
    int toWrite = 0;       // files the plan meant to copy
    bool configWritten = false;
    bool configUnchanged = false;
    bool cancelled = false;
    QString error; // one line, when the write stopped on a failure

    bool complete() const { return configWritten || configUnchanged; }
};

// Called at the start and end of every file copied, after every chunk of a
// few MB, and before Config.txt is written.
using CardProgress = std::function<void(qint64 done, qint64 total, const QString &file)>;

// Carries out `plan`, then writes `configText` (UTF-8, as given) to Config.txt
// last, so a card only names files it holds. Every file is written whole or
// not at all; a failure or `cancel` stops at once and leaves Config.txt as it
// was. Runs synchronously: call it on a worker thread from a window.
CardWrite writeCard(const CardPlan &plan, const QString &configText,
                    const CardProgress &progress = {}, const std::atomic<bool> *cancel = nullptr);

// One line for the status bar or stderr.
QString cardSummary(const CardWrite &result);

#endif // CARDWRITER_H

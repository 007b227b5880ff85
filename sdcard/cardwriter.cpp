#include "sdcard/cardwriter.h"

#include "files/bytecopy.h"
#include "files/plainfile.h"
#include "files/safefile.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QStorageInfo>
#include <QTemporaryFile>

#include <algorithm>
#include <cstring>

namespace {

constexpr qint64 compareChunk = 1024 * 1024;

const QString configName = QStringLiteral("Config.txt");
const QString fontFolder = QStringLiteral("FONTS");
const QString imageFolder = QStringLiteral("IMAGES");

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// The card is FAT: names that differ only in case are the same file there.
QString cardKey(const QString &cardPath)
{
    return cardPath.toCaseFolded();
}

bool sameBytes(const QString &first, const QString &second)
{
    QFile a(first);
    QFile b(second);
    if (a.size() != b.size())
        return false;
    if (!a.open(QIODevice::ReadOnly | QIODevice::Unbuffered) ||
        !b.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return false;
    QByteArray left(int(compareChunk), Qt::Uninitialized);
    QByteArray right(int(compareChunk), Qt::Uninitialized);
    for (;;) {
        const qint64 got = a.read(left.data(), compareChunk);
        if (got < 0 || b.read(right.data(), compareChunk) != got)
            return false;
        if (got == 0)
            return true;
        if (std::memcmp(left.constData(), right.constData(), size_t(got)) != 0)
            return false;
    }
}

bool holdsBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || file.size() != bytes.size())
        return false;
    return file.open(QIODevice::ReadOnly) && file.readAll() == bytes;
}

qint64 inBlocks(qint64 size, qint64 blockSize)
{
    const qint64 block = qMax<qint64>(1, blockSize);
    return (size + block - 1) / block * block;
}

QString files(int count)
{
    return count == 1 ? QStringLiteral("1 file") : QStringLiteral("%1 files").arg(count);
}

// The normalised card root, or why there is none.
QString cardRootProblem(const QString &cardRoot, QString &root)
{
    if (cardRoot.isEmpty())
        return QStringLiteral("No card folder given");
    const QFileInfo info(cardRoot);
    if (!info.exists())
        return QStringLiteral("The card folder %1 does not exist").arg(shown(cardRoot));
    if (!info.isDir())
        return QStringLiteral("The card %1 is not a folder").arg(shown(cardRoot));
    root = info.canonicalFilePath();
    return QString();
}

// Permission bits say nothing for root and nothing about a read-only mount:
// only creating a file tells.
QString writableProblem(const QString &root)
{
    QTemporaryFile probe(root + QStringLiteral("/.vexel-probe-XXXXXX"));
    if (probe.open())
        return QString();
    return QStringLiteral("Cannot write to the card %1: %2").arg(shown(root), probe.errorString());
}

class Planner
{
public:
    explicit Planner(CardPlan &plan) : plan(plan) {}

    bool addList(const QStringList &paths, const QString &folder, const QString &kind,
                 QVector<CardEntry> &entries)
    {
        for (const QString &path : paths) {
            CardEntry entry;
            if (!describe(path, folder, kind, entry))
                return false;
            entries.append(entry);
        }
        return folderProblem(entries, folder);
    }

    // Gives every entry its action once all are known, so that a card name
    // claimed twice is caught whichever list or order it comes from.
    bool settleNames()
    {
        QHash<QString, const CardEntry *> claimed;
        for (QVector<CardEntry> *entries : {&plan.fonts, &plan.images}) {
            for (CardEntry &entry : *entries) {
                const QString key = cardKey(entry.cardPath);
                const CardEntry *first = claimed.value(key);
                if (!first)
                    claimed.insert(key, &settleFirst(entry));
                else if (!settleRepeat(entry, *first))
                    return false;
            }
        }
        return true;
    }

private:
    bool fail(const QString &why)
    {
        plan.error = why;
        return false;
    }

    bool describe(const QString &path, const QString &folder, const QString &kind, CardEntry &entry)
    {
        const QFileInfo info(path);
        QFile source(path);
        QString why;
        if (path.isEmpty() || !openPlainFile(source, why))
            return fail(QStringLiteral("Cannot read %1 %2: %3")
                            .arg(kind, shown(info.absoluteFilePath()),
                                 path.isEmpty() ? QStringLiteral("no file name") : why));
        entry.source = info.canonicalFilePath();
        entry.size = info.size();
        const QString inside =
            plan.root.endsWith(QLatin1Char('/')) ? plan.root : plan.root + QLatin1Char('/');
        if (entry.source.startsWith(inside)) {
            entry.action = CardAction::OnCard;
            entry.cardPath = QLatin1Char('/') + entry.source.mid(inside.size());
            entry.target = entry.source;
            return cardKey(entry.cardPath) != cardKey(QLatin1Char('/') + configName) ||
                   fail(QStringLiteral("Cannot list %1: Config.txt is written over it")
                            .arg(shown(entry.source)));
        }
        entry.cardPath = QLatin1Char('/') + folder + QLatin1Char('/') + info.fileName();
        entry.target = plan.root + entry.cardPath;
        const QFileInfo target(entry.target);
        if (target.exists() && !target.isFile())
            return fail(QStringLiteral("Cannot copy %1: %2 on the card is %3")
                            .arg(shown(entry.source), entry.cardPath,
                                 target.isDir() ? QStringLiteral("a folder")
                                                : QStringLiteral("not a plain file")));
        return true;
    }

    bool folderProblem(const QVector<CardEntry> &entries, const QString &folder)
    {
        const bool copies = std::any_of(entries.begin(), entries.end(), [](const CardEntry &e) {
            return e.action != CardAction::OnCard;
        });
        const QFileInfo info(plan.root + QLatin1Char('/') + folder);
        if (copies && info.exists() && !info.isDir())
            return fail(QStringLiteral("Cannot make the folder %1 on the card %2: a file has "
                                       "that name")
                            .arg(folder, shown(plan.root)));
        return true;
    }

    CardEntry &settleFirst(CardEntry &entry)
    {
        if (entry.action == CardAction::Copy && sameBytes(entry.source, entry.target))
            entry.action = CardAction::Unchanged;
        return entry;
    }

    // Either copy gives the card the same bytes, so listing it twice is harmless.
    bool settleRepeat(CardEntry &entry, const CardEntry &first)
    {
        if (entry.source != first.source && !sameBytes(entry.source, first.source))
            return fail(QStringLiteral("%1 and %2 would both be %3 on the card")
                            .arg(shown(first.source), shown(entry.source), first.cardPath));
        entry.action = CardAction::Repeat;
        entry.cardPath = first.cardPath; // as written, so a case-sensitive stand-in finds it too
        entry.target = first.target;
        return true;
    }

    CardPlan &plan;
};

class CardCopier
{
public:
    CardCopier(qint64 total, const CardProgress &progress, const std::atomic<bool> *cancel)
        : total(total), progress(progress), cancel(cancel)
    {
    }

    bool stopRequested() const { return cancel && cancel->load(); }
    QString error() const { return problem; }

    // The whole file, or nothing under its name.
    bool copy(const CardEntry &entry)
    {
        if (stopRequested())
            return false;
        current = QFileInfo(entry.target).fileName();
        report();
        QFile input(entry.source);
        QString why;
        // Checked again: the file may have been swapped for a pipe since planning.
        if (!openPlainFile(input, why))
            return fail(QStringLiteral("Cannot read %1: %2").arg(shown(entry.source), why));
        if (!makeFolderFor(entry))
            return false;
        SafeFile output(entry.target);
        if (!output.open())
            return fail(output.error());
        if (!pump(input, output.device())) {
            output.discard(); // `problem` says why, or is empty after a cancel
            return false;
        }
        if (!output.commit())
            return fail(output.error());
        report();
        return true;
    }

    void report(const QString &file)
    {
        current = file;
        report();
    }

private:
    bool fail(const QString &why)
    {
        problem = why;
        return false;
    }

    bool makeFolderFor(const CardEntry &entry)
    {
        const QFileInfo folder(QFileInfo(entry.target).absolutePath());
        if (QDir().mkpath(folder.filePath()))
            return true;
        return fail(QStringLiteral("Cannot make the folder %1 on the card: %2")
                        .arg(QFileInfo(entry.cardPath).path(),
                             folder.exists() ? QStringLiteral("a file has that name")
                                             : QStringLiteral("the card refused it")));
    }

    void report() const
    {
        if (progress)
            progress(qMin(done, total), total, current);
    }

    // A file whose last byte is copied is kept whole, whatever is asked meanwhile.
    bool pump(QFile &input, QFileDevice &output)
    {
        const qint64 size = input.size();
        const qint64 before = done;
        const CopyResult result = copier.copy(input, output, ByteCopier::untilTheEnd,
                                              [this, before, size](qint64 copied) {
                                                  done = before + copied;
                                                  report();
                                                  return copied >= size || !stopRequested();
                                              });
        if (result.inputFailed)
            return fail(QStringLiteral("Cannot read %1: %2")
                            .arg(shown(input.fileName()), input.errorString()));
        if (result.outputFailed)
            return fail(QStringLiteral("Cannot write %1: %2").arg(current, output.errorString()));
        return result.copied >= size || !stopRequested();
    }

    const qint64 total;
    const CardProgress &progress;
    const std::atomic<bool> *cancel;
    qint64 done = 0;
    QString current;
    QString problem;
    ByteCopier copier;
};

void writeConfig(const QString &root, const QString &text, CardWrite &result)
{
    const QString path = root + QLatin1Char('/') + configName;
    const QByteArray bytes = text.toUtf8();
    if (holdsBytes(path, bytes)) {
        result.configUnchanged = true;
        return;
    }
    result.configWritten = writeFileSafely(path, bytes, result.error);
}

QString successSummary(const CardWrite &result)
{
    const QString root = shown(result.root);
    const int written = result.written.size();
    const int kept = result.unchanged.size();
    if (written == 0 && result.configUnchanged)
        return kept == 0
                   ? QStringLiteral("Card %1: nothing to write, Config.txt unchanged").arg(root)
                   : QStringLiteral("Card %1: nothing to write, all %2 and Config.txt "
                                    "unchanged")
                         .arg(root, files(kept));
    QString text = QStringLiteral("Card %1: wrote ").arg(root);
    if (written > 0)
        text +=
            files(written) + (result.configWritten ? QStringLiteral(" and Config.txt") : QString());
    else
        text += configName;
    if (kept > 0)
        text +=
            QStringLiteral(", %1 unchanged").arg(written > 0 ? QString::number(kept) : files(kept));
    if (result.configUnchanged)
        text += QStringLiteral("; Config.txt unchanged");
    return text;
}

QString dataSize(qint64 bytes)
{
    return QLocale::c().formattedDataSize(bytes, 1, QLocale::DataSizeSIFormat);
}

} // namespace

QStringList CardPlan::fontCardPaths() const
{
    QStringList paths;
    for (const CardEntry &entry : fonts)
        paths.append(entry.cardPath);
    return paths;
}

QStringList CardPlan::imageCardPaths() const
{
    QStringList paths;
    for (const CardEntry &entry : images)
        paths.append(entry.cardPath);
    return paths;
}

qint64 CardPlan::bytesToCopy() const
{
    qint64 bytes = 0;
    for (const QVector<CardEntry> *entries : {&fonts, &images}) {
        for (const CardEntry &entry : *entries)
            bytes += entry.action == CardAction::Copy ? entry.size : 0;
    }
    return bytes;
}

int CardPlan::filesToCopy() const
{
    const auto copies = [](const CardEntry &entry) { return entry.action == CardAction::Copy; };
    return int(std::count_if(fonts.begin(), fonts.end(), copies) +
               std::count_if(images.begin(), images.end(), copies));
}

QStringList CardPlan::foldersToMake() const
{
    QStringList folders;
    const auto copies = [](const CardEntry &entry) { return entry.action == CardAction::Copy; };
    if (std::any_of(fonts.begin(), fonts.end(), copies) &&
        !QFileInfo(root + QLatin1Char('/') + fontFolder).isDir())
        folders.append(fontFolder);
    if (std::any_of(images.begin(), images.end(), copies) &&
        !QFileInfo(root + QLatin1Char('/') + imageFolder).isDir())
        folders.append(imageFolder);
    return folders;
}

CardPlan planCard(const QStringList &fontPaths, const QStringList &imagePaths,
                  const QString &cardRoot)
{
    CardPlan plan;
    plan.error = cardRootProblem(cardRoot, plan.root);
    if (!plan.ok())
        return plan;
    Planner planner(plan);
    if (!planner.addList(fontPaths, fontFolder, QStringLiteral("font"), plan.fonts) ||
        !planner.addList(imagePaths, imageFolder, QStringLiteral("image"), plan.images))
        return plan;
    const QFileInfo config(plan.root + QLatin1Char('/') + configName);
    if (config.exists() && !config.isFile()) {
        plan.error = QStringLiteral("Cannot write Config.txt on the card %1: it is not a plain "
                                    "file")
                         .arg(shown(plan.root));
        return plan;
    }
    plan.error = writableProblem(plan.root);
    if (plan.ok())
        planner.settleNames();
    return plan;
}

CardSpace cardSpace(const QString &root)
{
    const QStorageInfo storage(root);
    return CardSpace{storage.bytesAvailable(), storage.blockSize()};
}

QString checkRoom(const CardPlan &plan, const QString &configText, const CardSpace &space)
{
    // A file being replaced keeps its old blocks until the new one is whole,
    // so what it frees is not counted.
    qint64 needed = 0;
    for (const QVector<CardEntry> *entries : {&plan.fonts, &plan.images}) {
        for (const CardEntry &entry : *entries) {
            if (entry.action == CardAction::Copy)
                needed += inBlocks(entry.size, space.blockSize);
        }
    }
    // On FAT a new folder takes a cluster.
    needed += plan.foldersToMake().size() * inBlocks(1, space.blockSize);
    const QByteArray config = configText.toUtf8();
    if (!holdsBytes(plan.root + QLatin1Char('/') + configName, config))
        needed += inBlocks(config.size(), space.blockSize);
    if (needed <= space.available)
        return QString();
    QString need = dataSize(needed);
    QString free = dataSize(space.available);
    if (need == free) { // rounded alike: the exact counts show the difference
        need = QStringLiteral("%1 bytes").arg(needed);
        free = QStringLiteral("%1 bytes").arg(space.available);
    }
    return QStringLiteral("Not enough room on the card: %1 needed, %2 free").arg(need, free);
}

CardWrite writeCard(const CardPlan &plan, const QString &configText, const CardProgress &progress,
                    const std::atomic<bool> *cancel)
{
    CardWrite result;
    result.root = plan.root;
    result.toWrite = plan.filesToCopy();
    if (!plan.ok()) {
        result.error = plan.error;
        return result;
    }
    for (const QVector<CardEntry> *entries : {&plan.fonts, &plan.images}) {
        for (const CardEntry &entry : *entries) {
            if (entry.action == CardAction::Unchanged || entry.action == CardAction::OnCard)
                result.unchanged.append(entry.cardPath);
        }
    }
    CardCopier copier(plan.bytesToCopy(), progress, cancel);
    for (const QVector<CardEntry> *entries : {&plan.fonts, &plan.images}) {
        for (const CardEntry &entry : *entries) {
            if (entry.action != CardAction::Copy)
                continue;
            if (!copier.copy(entry)) {
                result.cancelled = copier.error().isEmpty() && copier.stopRequested();
                result.error = copier.error();
                return result;
            }
            result.written.append(entry.cardPath);
        }
    }
    // A cancel after the last file still keeps the old Config.txt.
    result.cancelled = copier.stopRequested();
    if (result.cancelled)
        return result;
    copier.report(configName);
    writeConfig(plan.root, configText, result);
    return result;
}

QString cardSummary(const CardWrite &result)
{
    const QString done =
        QStringLiteral("wrote %1 of %2").arg(result.written.size()).arg(files(result.toWrite));
    if (result.cancelled)
        return QStringLiteral("Cancelled: %1; Config.txt not written").arg(done);
    if (!result.error.isEmpty())
        return result.written.isEmpty()
                   ? result.error + QStringLiteral("; nothing written")
                   : QStringLiteral("%1; %2, Config.txt not written").arg(result.error, done);
    return successSummary(result);
}

// Generates an SD card from 255 fonts and 255 images of about 100 MB in all
// into an empty folder and sets its time beside `cp` of the same files into
// the same two folders and `sync` of every copied file: the card writer syncs
// each file before it takes its name, so the comparison must reach the disk
// too. Each card is then checked file by file. Run by scripts/bench.sh, not a
// test.
#include "benchassets.h"
#include "benchsupport.h"
#include "sdcard/cardjob.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int listSize = 255;
constexpr qint64 totalBytes = 100 * megabyte;
constexpr int rounds = 3;

struct CardAssets
{
    QVector<Asset> fonts;
    QVector<Asset> images;
    QString folder;
};

CardAssets makeCardAssets(const QString &folder)
{
    return {makeAssets(folder, QStringLiteral("font"), QStringLiteral(".vxf"), listSize,
                       totalBytes / 2),
            makeAssets(folder, QStringLiteral("image"), QStringLiteral(".vxp"), listSize,
                       totalBytes / 2),
            folder};
}

// The same two folders the card gets, filled by cp; with `synced` every copy
// is then synced on its own.
double copySeconds(const CardAssets &assets, const QString &card, bool synced)
{
    const QString copy = QStringLiteral("src=$1 card=$2\n"
                                        "mkdir \"$card/FONTS\" \"$card/IMAGES\"\n"
                                        "cp \"$src\"/font*.vxf \"$card/FONTS/\"\n"
                                        "cp \"$src\"/image*.vxp \"$card/IMAGES/\"\n");
    const QString sync = QStringLiteral("sync \"$card\"/FONTS/* \"$card\"/IMAGES/*\n");
    return shellSeconds(synced ? copy + sync : copy, {assets.folder, card});
}

double cardSeconds(const CardAssets &assets, const QString &card, CardOutcome &outcome)
{
    const CardRequest request{pathsOf(assets.fonts), pathsOf(assets.images), card,
                              StartupSettings{}};
    QElapsedTimer timer;
    timer.start();
    outcome = makeCard(request);
    return timer.nsecsElapsed() / 1e9;
}

// Every listed file under its card path with its very bytes, and a
// Config.txt naming each of them.
QString cardProblem(const CardAssets &assets, const QString &card, const CardOutcome &outcome)
{
    if (!outcome.succeeded())
        return outcome.summary();
    QFile config(card + QStringLiteral("/Config.txt"));
    if (!config.open(QIODevice::ReadOnly))
        return QStringLiteral("no Config.txt on the card");
    const QString text = QString::fromUtf8(config.readAll());
    const QVector<QPair<QString, const QVector<Asset> *>> folders{{"FONTS", &assets.fonts},
                                                                  {"IMAGES", &assets.images}};
    for (const auto &[folder, list] : folders) {
        for (const Asset &asset : *list) {
            const QString cardPath =
                QStringLiteral("/%1/%2").arg(folder, QFileInfo(asset.path).fileName());
            if (!sameBytes(card + cardPath, asset.path))
                return cardPath + QStringLiteral(" differs from its source or is missing");
            if (!text.contains(cardPath))
                return QStringLiteral("Config.txt does not name ") + cardPath;
        }
    }
    return QString();
}

struct CardTimes
{
    double reference = 1e9;
    double card = 1e9;
    double unsynced = 1e9; // cp alone, for scale
    QString problem;
};

// Best of `rounds`, the two taking turns, after a copy that warms the cache.
CardTimes timeCards(const CardAssets &assets, const QTemporaryDir &dir)
{
    CardTimes best;
    const QString copied = dir.filePath("copied");
    const QString card = dir.filePath("card");
    copySeconds(assets, settledEmptyFolder(copied), true);
    for (int round = 0; round < rounds && best.problem.isEmpty(); ++round) {
        best.reference =
            std::min(best.reference, copySeconds(assets, settledEmptyFolder(copied), true));
        CardOutcome outcome;
        best.card = std::min(best.card, cardSeconds(assets, settledEmptyFolder(card), outcome));
        best.problem = cardProblem(assets, card, outcome);
    }
    for (int round = 0; round < rounds; ++round)
        best.unsynced =
            std::min(best.unsynced, copySeconds(assets, settledEmptyFolder(copied), false));
    return best;
}

bool cardBenchmark(const QTemporaryDir &dir)
{
    const CardAssets assets = makeCardAssets(freshFolder(dir.filePath("assets")));
    const qint64 total = totalSize(assets.fonts) + totalSize(assets.images);
    const CardTimes best = timeCards(assets, dir);

    std::printf("assets:        %d files, %.1f MB\n",
                int(assets.fonts.size() + assets.images.size()), double(total) / megabyte);
    std::printf("cp + sync:     %.3f s (best of %d)\n", best.reference, rounds);
    std::printf("SD card:       %.3f s (best of %d), %.2f x cp + sync (target 1.5); %s\n",
                best.card, rounds, best.card / best.reference,
                best.problem.isEmpty() ? "every file identical, Config.txt names them all"
                                       : qPrintable(QStringLiteral("CARD WRONG: ") + best.problem));
    std::printf("for scale:     cp without sync %.3f s (best of %d)\n", best.unsynced, rounds);
    const bool met = best.problem.isEmpty() && best.card <= 1.5 * best.reference;
    std::printf("%s\n", met ? "targets met" : "TARGETS MISSED");
    return met;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid())
        qFatal("no temporary folder");
    std::printf("Generate SD Card: 255 fonts and 255 images into an empty folder beside cp and "
                "sync of the same files\n");
    return cardBenchmark(dir) ? 0 : 1;
}

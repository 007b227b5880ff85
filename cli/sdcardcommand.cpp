// vexelctl sdcard: a card holding the files a Config.txt lists.
#include "cli/commands.h"
#include "cli/configlists.h"
#include "cli/console.h"

#include "sdcard/cardjob.h"

#include <QDir>
#include <QFileInfo>

#include <memory>

#include <unistd.h>

namespace {

const char *const sdcardHelp = R"(Usage: vexelctl sdcard CONFIG.txt --to CARD [--root DIR]

Writes the fonts and images a Config.txt lists onto the card at CARD, as the
bench's "Generate SD Card" does: each file is copied to FONTS/ or IMAGES/
(files already on the card stay where they are, files the card already holds
unchanged are not copied again), then Config.txt is written last, naming
exactly those card paths, with the start-up settings of CONFIG.txt. Every
file is written whole or not at all, and nothing is written when a listed
file cannot be read, two files would take the same name on the card, the
card has too little room, or CONFIG.txt is the card's own Config.txt (the new
one would replace it: copy it elsewhere first).

Options:
  --to CARD    the card's root folder; it must exist: a card that is not
               mounted must not silently become a folder on the computer
  --root DIR   the folder the listed paths start from
               (default: the folder of CONFIG.txt)
  -h, --help   show this text

Exit status: 0 written, 1 failed, 2 usage error.
)";

// Quiet unless someone is watching a terminal: a script's log stays clean.
CardProgress terminalProgress()
{
    if (!::isatty(STDERR_FILENO))
        return {};
    return [](qint64 done, qint64 total, const QString &file) {
        const qint64 percent = total > 0 ? done * 100 / total : 100;
        printText(QStringLiteral("\r\033[K%1% %2").arg(percent, 3).arg(file), true);
    };
}

void clearProgress()
{
    if (::isatty(STDERR_FILENO))
        printText(QStringLiteral("\r\033[K"), true);
}

// A refused plan has written nothing, which its reason does not say.
QString failureLine(const CardOutcome &outcome)
{
    if (!outcome.refusal.isEmpty())
        return outcome.refusal + QStringLiteral("; nothing written");
    return outcome.summary();
}

// The card's Config.txt is written last, from the lists: read from that very
// file, its own text (comments, keys the bench does not know) would be lost.
bool isTheCardsConfig(const QString &configPath, const QString &card)
{
    const QString config = QFileInfo(configPath).canonicalFilePath();
    return !config.isEmpty() &&
           config ==
               QFileInfo(QDir(card).filePath(QStringLiteral("Config.txt"))).canonicalFilePath();
}

int runSdcard(const ParsedArguments &arguments)
{
    const QString configPath = arguments.arguments.at(0);
    const QString card = arguments.value(QStringLiteral("--to"));
    if (isTheCardsConfig(configPath, card)) {
        printProblem(QStringLiteral("%1: it is the card's own Config.txt, which the card's new "
                                    "one would replace; copy it elsewhere first; nothing written")
                         .arg(shown(configPath)));
        return exitFailed;
    }
    auto loaded = std::make_unique<ConfigLists>();
    const QString refused =
        loadConfigLists(configPath, arguments.value(QStringLiteral("--root")), *loaded);
    if (!refused.isEmpty()) {
        printProblem(refused + QStringLiteral("; nothing written"));
        return exitFailed;
    }
    for (const QString &line : loaded->odd)
        printWarning(line);
    const CardRequest request{loaded->lists.fontPaths(), loaded->lists.imagePaths(), card,
                              loaded->settings};
    const CardOutcome outcome = makeCard(request, terminalProgress());
    clearProgress();
    if (!outcome.succeeded()) {
        printProblem(failureLine(outcome));
        return exitFailed;
    }
    printLine(outcome.summary());
    return exitDone;
}

} // namespace

Subcommand sdcardCommand()
{
    Subcommand command;
    command.name = QStringLiteral("sdcard");
    command.summary = QStringLiteral("copy the files a Config.txt lists onto a card, with its "
                                     "Config.txt");
    command.help = QString::fromUtf8(sdcardHelp);
    command.syntax.arguments = QStringList{QStringLiteral("CONFIG.txt")};
    command.syntax.options = {{QStringLiteral("--to"), QString(), QStringLiteral("CARD"), true},
                              {QStringLiteral("--root"), QString(), QStringLiteral("DIR"), false}};
    command.run = runSdcard;
    return command;
}

// vexelctl pack: the flash image for a Config.txt.
#include "cli/commands.h"
#include "cli/configlists.h"
#include "cli/console.h"

#include "assets/flashimage.h"
#include "files/safefile.h"

#include <QFileInfo>

#include <memory>

namespace {

const char *const packHelp =
    R"(Usage: vexelctl pack CONFIG.txt -o OUT.vxs [--root DIR] [--allow-missing]

Packs the fonts and images a Config.txt lists into a .vxs flash image, with
the start-up settings of its [Startup] section in the header. The image is
byte for byte the one the bench writes after "Open Config File" and
"Generate Flash Image" in a freshly started window (without the window's
diagnostic bitmaps orig.bmp, test1.bmp and test2.bmp).

Options:
  -o, --output OUT.vxs  the flash image to write; OUT.vxs is replaced only
                        once the new image is complete
  --root DIR            the folder the listed paths start from
                        (default: the folder of CONFIG.txt)
  --allow-missing       pack listed files that cannot be read as the window
                        does: with the size read (0 when missing), padded
                        with zeros, each named in a warning
  -h, --help            show this text

Nothing is written when a list names more than 255 files, when a listed file
cannot be opened or changes while it is packed (unless --allow-missing is
given), or when OUT.vxs is CONFIG.txt, a listed file, a folder, a pipe or a
device. A listed file that opens but is not what its name says (a bitmap that
does not decode, a .vxp shorter than its header) is packed as the window
packs it, with a warning.

Exit status: 0 written, 1 failed, 2 usage error.
)";

// What writeFlashImage does not check itself, asked before any file is read.
QString outputProblem(const QString &configPath, const QString &outputPath)
{
    const QString why = outputPathProblem(outputPath);
    if (!why.isEmpty())
        return shown(outputPath) + QStringLiteral(": ") + why;
    const QString output = QFileInfo(outputPath).canonicalFilePath();
    if (!output.isEmpty() && output == QFileInfo(configPath).canonicalFilePath())
        return shown(outputPath) + QStringLiteral(": it is the Config.txt being packed");
    return QString();
}

// False when the job must stop: without --allow-missing every unreadable
// file is a problem, with it a warning.
bool acceptUnreadable(const QStringList &unreadable, bool allowMissing)
{
    for (const QString &line : unreadable) {
        if (allowMissing)
            printWarning(line + QStringLiteral("; packed all the same, with the size read"));
        else
            printProblem(line + QStringLiteral("; nothing written"));
    }
    return allowMissing || unreadable.isEmpty();
}

int runPack(const ParsedArguments &arguments)
{
    const QString configPath = arguments.arguments.at(0);
    const QString outputPath = arguments.value(QStringLiteral("--output"));
    const bool allowMissing = arguments.isSet(QStringLiteral("--allow-missing"));
    QString problem = outputProblem(configPath, outputPath);
    // Two full lists of entries: too much for the stack.
    auto loaded = std::make_unique<ConfigLists>();
    if (problem.isEmpty())
        problem = loadConfigLists(configPath, arguments.value(QStringLiteral("--root")), *loaded);
    if (!problem.isEmpty()) {
        printProblem(problem + QStringLiteral("; nothing written"));
        return exitFailed;
    }
    if (!acceptUnreadable(loaded->unreadable, allowMissing))
        return exitFailed;
    for (const QString &line : loaded->odd)
        printWarning(line);

    AssetLists &lists = loaded->lists;
    lists.rebuildFlashBlocks(loaded->settings);
    // A file that vanishes or shrinks once it was read would leave zeros in
    // the image: without --allow-missing the old output stays instead.
    const FlashImageReport report =
        writeFlashImage(outputPath, lists.blocks(), lists.flashDataFiles(),
                        allowMissing ? ShortFiles::Pad : ShortFiles::Refuse);
    const QString summary = flashImageSummary(outputPath, report);
    if (!report.written) {
        printProblem(summary + QStringLiteral("; nothing written"));
        return exitFailed;
    }
    printLine(summary);
    return exitDone;
}

} // namespace

Subcommand packCommand()
{
    Subcommand command;
    command.name = QStringLiteral("pack");
    command.summary = QStringLiteral("pack the files a Config.txt lists into a .vxs flash image");
    command.help = QString::fromUtf8(packHelp);
    command.syntax.arguments = QStringList{QStringLiteral("CONFIG.txt")};
    command.syntax.options = {
        {QStringLiteral("--output"), QStringLiteral("-o"), QStringLiteral("OUT.vxs"), true},
        {QStringLiteral("--root"), QString(), QStringLiteral("DIR"), false},
        {QStringLiteral("--allow-missing"), QString(), QString(), false}};
    command.run = runPack;
    return command;
}

// vexelctl unpack: the images of an .esf package as .vxp files.
#include "cli/commands.h"
#include "cli/console.h"
#include "cli/outputfolder.h"

#include "assets/esfpackage.h"

namespace {

const char *const unpackHelp = R"(Usage: vexelctl unpack PACKAGE.esf -d DIR

Writes every image of an .esf package into DIR as SLOT.vxp (0.vxp, 1.vxp,
...), as the bench's "Import ESF" does, and prints what was written and how
many slots were skipped because their bytes lie past the end of the package.
Each image is written whole or not at all.

Options:
  -d, --dir DIR  the folder for the images; made, with its parents, when it
                 does not exist
  -h, --help     show this text

Exit status: 0 all images written, 1 the package cannot be read, DIR is not
a folder or an image could not be written, 2 usage error.
)";

int runUnpack(const ParsedArguments &arguments)
{
    const QString packagePath = arguments.arguments.at(0);
    const QString folder = arguments.value(QStringLiteral("--dir"));
    QString problem;
    // The package is read first, so a wrong one leaves no folder behind.
    const std::optional<EsfPackage> package = openEsfPackage(packagePath, problem);
    if (package)
        problem = makeOutputFolder(folder);
    if (!problem.isEmpty()) {
        printProblem(problem);
        return exitFailed;
    }
    const EsfExtraction extraction = extractEsfImages(*package, folder);
    const QString summary = esfImportSummary(*package, extraction, 0);
    if (!extraction.failures.isEmpty()) {
        printProblem(summary);
        return exitFailed;
    }
    printLine(summary);
    return exitDone;
}

} // namespace

Subcommand unpackCommand()
{
    Subcommand command;
    command.name = QStringLiteral("unpack");
    command.summary = QStringLiteral("write the images of an .esf package as .vxp files");
    command.help = QString::fromUtf8(unpackHelp);
    command.syntax.arguments = QStringList{QStringLiteral("PACKAGE.esf")};
    command.syntax.options = {
        {QStringLiteral("--dir"), QStringLiteral("-d"), QStringLiteral("DIR"), true}};
    command.run = runUnpack;
    return command;
}

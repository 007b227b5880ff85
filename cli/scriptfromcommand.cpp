// vexelctl script-from: a capture turned into a script that replays it.
#include "cli/commands.h"
#include "cli/console.h"

#include "files/safefile.h"
#include "script/scriptfromcapture.h"
#include "traffic/trafficrecorder.h"

#include <QFileInfo>

namespace {

const char *const scriptFromHelp = R"(Usage: vexelctl script-from CAPTURE.pcapng [-o FILE]

Writes a command script that sends what the capture sent, in the same order,
and expects what it received, for "vexelctl run" or the bench's script page.
Frames of the command table become their statements (SetXHY 10 20), with
the mode followed through the mode commands; anything else, and the data of
a file written to the card, becomes "send" lines of bytes. Received bytes
become "expect" lines where they arrived. A capture made by
"vexelsim --capture" is turned round to read like the bench's first.

Options:
  -o, --output FILE  write the script to FILE instead of standard output;
                     FILE is replaced only once the new script is complete
  -h, --help         show this text

Exit status: 0 written, 1 the capture cannot be read or is damaged (nothing
is written), 2 usage error.
)";

int runScriptFrom(const ParsedArguments &arguments)
{
    const QString capturePath = arguments.arguments.at(0);
    const QString outputPath = arguments.value(QStringLiteral("--output"));
    if (!outputPath.isEmpty()) {
        const QString why = outputPathProblem(outputPath);
        if (!why.isEmpty())
            return usageError(QStringLiteral("script-from"),
                              QStringLiteral("%1: %2").arg(shown(outputPath), why));
    }
    const CaptureReading reading = readBenchCapture(capturePath);
    // A script from a damaged capture would replay only part of a session
    // while looking whole.
    if (!reading.error.isEmpty()) {
        printProblem(reading.error + QStringLiteral("; no script written"));
        return exitFailed;
    }
    const QString text =
        script::scriptFromRecords(reading.records, QFileInfo(capturePath).fileName());
    if (outputPath.isEmpty()) {
        printText(text);
        return exitDone;
    }
    QString error;
    if (!writeFileSafely(outputPath, text.toUtf8(), error)) {
        printProblem(error);
        return exitFailed;
    }
    return exitDone;
}

} // namespace

Subcommand scriptFromCommand()
{
    Subcommand command;
    command.name = QStringLiteral("script-from");
    command.summary = QStringLiteral("write the script that replays a capture");
    command.help = QString::fromUtf8(scriptFromHelp);
    command.syntax.arguments = QStringList{QStringLiteral("CAPTURE.pcapng")};
    command.syntax.options = {
        {QStringLiteral("--output"), QStringLiteral("-o"), QStringLiteral("FILE"), false}};
    command.run = runScriptFrom;
    return command;
}

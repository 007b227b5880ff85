// vexelctl decode: a capture's records as the Traffic window shows them.
#include "cli/commands.h"
#include "cli/console.h"

#include "traffic/trafficmodel.h"
#include "traffic/trafficrecorder.h"

namespace {

const char *const decodeHelp = R"(Usage: vexelctl decode CAPTURE.pcapng

Prints every record of a capture saved by the bench's Traffic window, recorded
with "Record to File..." or by "vexelsim --capture", one line each, decoded
as the Traffic window decodes it, in its columns: the time in milliseconds
since the first record, the direction, the bytes in hex and as ASCII, the
meaning (a command's name and arguments, or what the reply reader made of a
reply, with the command it answers) and the latency from that command.
Fields are separated by tabs. A capture written by vexelsim, which records
from the module's side, is turned round to read like the bench's.

A truncated or corrupt capture prints the records before the damage, then
one line naming the offset on standard error.

Options:
  -h, --help  show this text

Exit status: 0 read whole, 1 the capture cannot be read or is damaged,
2 usage error.
)";

// The Traffic window's columns, in its order.
const int columns[] = {TrafficModel::Time,  TrafficModel::Direction, TrafficModel::Hex,
                       TrafficModel::Ascii, TrafficModel::Meaning,   TrafficModel::Latency};

int runDecode(const ParsedArguments &arguments)
{
    TrafficLog log(1 << 30, qint64(1) << 62); // a file is shown whole, unlike a live session
    const QString problem = loadCapture(arguments.arguments.at(0), log);
    for (int row = 0; row < log.size(); ++row) {
        QStringList fields;
        for (int column : columns)
            fields << TrafficModel::cellText(log.at(row), column);
        printLine(fields.join(QLatin1Char('\t')));
    }
    if (!problem.isEmpty()) {
        printProblem(problem);
        return exitFailed;
    }
    return exitDone;
}

} // namespace

Subcommand decodeCommand()
{
    Subcommand command;
    command.name = QStringLiteral("decode");
    command.summary = QStringLiteral("print a capture's records decoded, one line each");
    command.help = QString::fromUtf8(decodeHelp);
    command.syntax.arguments = QStringList{QStringLiteral("CAPTURE.pcapng")};
    command.run = runDecode;
    return command;
}

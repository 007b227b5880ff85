// vexelctl send: statements from the command line, sent to a module.
#include "cli/commands.h"
#include "cli/console.h"
#include "cli/scriptsession.h"

namespace {

const char *const sendHelp =
    R"(Usage: vexelctl send --port PORT [--baud N] [--extended] STATEMENT...

Sends each STATEMENT to the module on PORT, in order, as one line of a
script (see vexelctl run --help), and prints a line for each: "Cls",
"SetXHY 10 20", "send 83", "wait 100ms", "expect pong". An expectation waits
for its reply, within 1000 ms unless it says otherwise. A file named by
SD_FILE_WRITE is found from the current folder.

  vexelctl send --port /dev/ttyUSB0 ping "expect pong"
  vexelctl send --port /dev/pts/7 "repeat 3" "buzzerBeep 10" "wait 300ms" end

Every statement is read before anything is sent. The module is taken to be
in standard mode unless --extended is given.

Options:
  --port PORT  the module's serial port
  --baud N     the line's rate (default 115200)
  --extended   the module is in extended mode at the start (16-bit Y)
  -h, --help   show this text

Exit status: 0 sent and every expectation passed, 1 an expectation failed or
the line went away, 2 a statement that does not read, a port that cannot be
opened, or a usage error.
)";

int runSend(const ParsedArguments &arguments)
{
    SessionSettings settings;
    settings.command = QStringLiteral("send");
    settings.printSummary = false;
    const std::optional<LineOptions> line = lineOptions(arguments, settings.command);
    if (!line)
        return exitUsage;
    settings.line = *line;
    return sendStatements(arguments.arguments, settings);
}

} // namespace

Subcommand sendCommand()
{
    Subcommand command;
    command.name = QStringLiteral("send");
    command.summary = QStringLiteral("send statements to a module on a serial port");
    command.help = QString::fromUtf8(sendHelp);
    command.syntax = lineSyntax();
    command.syntax.arguments = QStringList{QStringLiteral("STATEMENT")};
    command.syntax.repeats = true;
    command.run = runSend;
    return command;
}

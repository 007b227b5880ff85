// vexelctl run: command scripts against a module on a serial port.
#include "cli/commands.h"
#include "cli/console.h"
#include "cli/scriptsession.h"

#include "files/safefile.h"

namespace {

const char *const runHelp =
    R"(Usage: vexelctl run SCRIPT... --port PORT [--baud N] [--extended]
                    [--capture FILE.pcapng] [--junit FILE.xml]
                    [--reconnect SECONDS]

Runs command scripts, one after another, against the module on PORT, and
prints a line per statement: its line number, the statement, the bytes it
sent, "ok" or "FAIL:" with what went wrong, and how long it took. A summary
line follows the last script.

A script holds one statement a line: a command of the bench by name with
its arguments ("SetXHY 10 20", "printString "Hello""), "send" with bytes in
hex or "text", "wait 250ms", "expect" with bytes or "text" [within 500ms],
"expect pong", "expect touch X Y", "expect sd OK", "expect version "...""
and "repeat N" ... "end". An expectation passes when its bytes or reply
arrive, within 1000 ms unless it says otherwise, among what the module sent
since the previous one passed. The first that fails ends its script; the
next script still runs, in the mode the module was left in. Every script is
read before anything is sent; the first starts in standard mode unless
--extended is given (the module keeps its mode from one session to the next,
so a script that starts with setStandardMode or setExtendedMode need not
care).

The port is opened as the bench opens it: 8 data bits, no parity, one stop
bit, no flow control.

Options:
  --port PORT          the module's serial port (/dev/ttyUSB0, or the device
                       a simulator prints)
  --baud N             the line's rate (default 115200)
  --extended           the module is in extended mode at the start: Y is a
                       16-bit word in SetXHY and LINE_TO_XHY
  --capture FILE.pcapng
                       record every byte both ways as the Traffic window's
                       "Record to File..." does; each record is in the file
                       as it happens, so a line that hangs up still leaves
                       what went before
  --junit FILE.xml     write a JUnit report: a test suite per script, a test
                       case per expectation
  --reconnect SECONDS  when the line goes away (a reset, a replug), wait this
                       long for the same device to come back, under any
                       name for a USB device with a serial number, and go
                       on; nothing sent meanwhile is sent again. Without it
                       a line that goes away fails the run at once
  -h, --help           show this text

Mistakes in a script are printed as FILE:LINE:COLUMN: message, and nothing
is sent.

Exit status: 0 every expectation passed, 1 an expectation failed or the line
went away, 2 a script error, a port or file that cannot be opened, or a
usage error.
)";

bool outputUsable(const QString &path)
{
    const QString why = outputPathProblem(path);
    if (why.isEmpty())
        return true;
    printProblem(QStringLiteral("run: %1: %2").arg(shown(path), why));
    return false;
}

int runRun(const ParsedArguments &arguments)
{
    SessionSettings settings;
    settings.command = QStringLiteral("run");
    const std::optional<LineOptions> line = lineOptions(arguments, settings.command);
    if (!line)
        return exitUsage;
    settings.line = *line;
    settings.capturePath = arguments.value(QStringLiteral("--capture"));
    settings.junitPath = arguments.value(QStringLiteral("--junit"));
    if (arguments.isSet(QStringLiteral("--reconnect"))) {
        bool ok = false;
        settings.reconnectSeconds = arguments.value(QStringLiteral("--reconnect")).toInt(&ok);
        if (!ok || settings.reconnectSeconds < 1 || settings.reconnectSeconds > 3600) {
            printProblem(QStringLiteral("run: --reconnect takes whole seconds from 1 to 3600"));
            return exitUsage;
        }
    }
    for (const QString &path : {settings.capturePath, settings.junitPath}) {
        if (!path.isEmpty() && !outputUsable(path))
            return exitUsage;
    }
    return runScriptFiles(arguments.arguments, settings);
}

} // namespace

Subcommand runCommand()
{
    Subcommand command;
    command.name = QStringLiteral("run");
    command.summary = QStringLiteral("run command scripts against a module on a serial port");
    command.help = QString::fromUtf8(runHelp);
    command.syntax = lineSyntax();
    command.syntax.arguments = QStringList{QStringLiteral("SCRIPT")};
    command.syntax.repeats = true;
    command.syntax.options.append(
        {QStringLiteral("--capture"), QString(), QStringLiteral("FILE.pcapng"), false});
    command.syntax.options.append(
        {QStringLiteral("--junit"), QString(), QStringLiteral("FILE.xml"), false});
    command.syntax.options.append(
        {QStringLiteral("--reconnect"), QString(), QStringLiteral("SECONDS"), false});
    command.run = runRun;
    return command;
}

#ifndef CLI_SCRIPTSESSION_H
#define CLI_SCRIPTSESSION_H

#include "cli/arguments.h"

#include <QString>
#include <QStringList>

#include <optional>

// The window's default rate; the other line settings are fixed (8N1, no
// flow control).
constexpr qint32 defaultBaudRate = 115200;

// The line options `run` and `send` share.
struct LineOptions
{
    QString port;
    qint32 baudRate = defaultBaudRate;
    // The module keeps its mode between sessions; a script cannot know it.
    bool extendedAtStart = false;
};

ArgumentSyntax lineSyntax(); // --port PORT, --baud N, --extended
// The options read from `arguments`, or nothing after a usage error line.
std::optional<LineOptions> lineOptions(const ParsedArguments &arguments, const QString &command);

struct SessionSettings
{
    QString command; // "run" or "send", for problem lines
    LineOptions line;
    QString capturePath; // empty for none
    QString junitPath;   // empty for none
    int reconnectSeconds = 0; // how long a line that went away is waited for
    bool printSummary = true;
};

// Both read every script before anything is sent, then open the port as the
// window does and run the scripts in order on the event loop, printing a
// line per statement. They return the exit status: 0 when every expectation
// passed, 1 when one failed or the line went away, 2 for a script error or
// a port or capture that could not be opened. A failed script does not keep
// the next from running; a lost line does.
//
// `run`: script files, each starting in the mode the one before left; their
// errors are printed as FILE:LINE:COLUMN: message.
int runScriptFiles(const QStringList &paths, const SessionSettings &settings);
// `send`: each of `statements` is a line of one script; local files are
// found from the current folder.
int sendStatements(const QStringList &statements, const SessionSettings &settings);

#endif // CLI_SCRIPTSESSION_H

#ifndef CLI_CONSOLE_H
#define CLI_CONSOLE_H

#include <QString>

// Exit status of every command.
enum ExitCode : int
{
    exitDone = 0,
    exitFailed = 1,
    exitUsage = 2
};

// Results go to standard output. Problems and warnings go to standard error,
// each held to one line so that a script can take every line as one problem.
void printLine(const QString &text);
void printProblem(const QString &text);                         // "vexelctl: ..."
void printWarning(const QString &text);                         // "vexelctl: warning: ..."
int usageError(const QString &command, const QString &problem); // the line, then exitUsage

// Text for standard output or error that is not a line of its own.
void printText(const QString &text, bool toError = false);

// A path as the user's system writes it.
QString shown(const QString &path);

// Standard error is muted while one lives. Image readers complain there
// directly ("libpng error: ..."), while the core names the same failure in a
// line of its own: their lines would only be taken for more problems.
class ReaderNoiseMuted
{
public:
    ReaderNoiseMuted();
    ~ReaderNoiseMuted();
    ReaderNoiseMuted(const ReaderNoiseMuted &) = delete;
    ReaderNoiseMuted &operator=(const ReaderNoiseMuted &) = delete;

private:
    int savedError = -1;
};

#endif // CLI_CONSOLE_H

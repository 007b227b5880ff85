// vexelctl: the bench's jobs from the command line, on the window's own core
// and without any widget, so it runs on a build server with no display.
#include "cli/commands.h"
#include "cli/console.h"

#include <QCoreApplication>
#include <QVector>

#include <algorithm>

namespace {

const QVector<Subcommand> &commands()
{
    static const QVector<Subcommand> all{
        packCommand(),   unpackCommand(), convertCommand(), sdcardCommand(),     infoCommand(),
        decodeCommand(), runCommand(),    sendCommand(),    scriptFromCommand(), checkCommand(),
        renderCommand(), exportCommand()};
    return all;
}

const Subcommand *findCommand(const QString &name)
{
    const auto found =
        std::find_if(commands().begin(), commands().end(),
                     [&name](const Subcommand &command) { return command.name == name; });
    return found == commands().end() ? nullptr : &*found;
}

QString usageText()
{
    QString text = QStringLiteral("Usage: vexelctl COMMAND [ARGUMENTS] [OPTIONS]\n\n"
                                  "The Vexel900 Bench's jobs without its window.\n\nCommands:\n");
    for (const Subcommand &command : commands())
        text += QStringLiteral("  %1%2\n").arg(command.name, -12).arg(command.summary);
    text += QStringLiteral("  help        show this list, or with a command its help\n\n"
                           "\"vexelctl COMMAND --help\" explains a command and its options.\n"
                           "Exit status: 0 done, 1 the job failed, 2 usage error.\n");
    return text;
}

bool isHelpWord(const QString &word)
{
    return word == QLatin1String("help") || word == QLatin1String("--help") ||
           word == QLatin1String("-h");
}

// "vexelctl help" lists the commands; "vexelctl help pack" is "vexelctl pack --help".
int showHelp(const QStringList &words)
{
    if (words.size() > 2)
        return usageError(QStringLiteral("help"),
                          QStringLiteral("unexpected argument '%1'").arg(words.at(2)));
    if (words.size() == 1) {
        printText(usageText());
        return exitDone;
    }
    const Subcommand *command = findCommand(words.at(1));
    if (!command) {
        printProblem(QStringLiteral("unknown command '%1' (see vexelctl help)").arg(words.at(1)));
        return exitUsage;
    }
    printText(command->help);
    return exitDone;
}

int runCommandLine(const QStringList &words)
{
    if (words.isEmpty()) {
        printText(usageText(), true);
        return exitUsage;
    }
    if (isHelpWord(words.first()))
        return showHelp(words);
    const Subcommand *command = findCommand(words.first());
    if (!command) {
        printProblem(QStringLiteral("unknown command '%1' (see vexelctl help)").arg(words.first()));
        return exitUsage;
    }
    QString error;
    const std::optional<ParsedArguments> parsed =
        parseArguments(words.mid(1), command->syntax, error);
    if (!parsed)
        return usageError(command->name, error);
    if (parsed->helpAsked) {
        printText(command->help);
        return exitDone;
    }
    return command->run(*parsed);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vexelctl"));
    return runCommandLine(QCoreApplication::arguments().mid(1));
}

#ifndef CLI_COMMANDS_H
#define CLI_COMMANDS_H

#include "cli/arguments.h"

#include <QString>

// One command of vexelctl. Its help text, argument syntax and job live together
// in its own source file.
struct Subcommand
{
    QString name;
    QString summary; // one line for the list of commands
    QString help;    // the whole text of "vexelctl NAME --help"
    ArgumentSyntax syntax;
    int (*run)(const ParsedArguments &arguments) = nullptr; // returns an ExitCode
};

Subcommand packCommand();
Subcommand unpackCommand();
Subcommand convertCommand();
Subcommand sdcardCommand();
Subcommand infoCommand();
Subcommand decodeCommand();
Subcommand runCommand();
Subcommand sendCommand();
Subcommand scriptFromCommand();
Subcommand exportCommand();
Subcommand checkCommand();
Subcommand renderCommand();

#endif // CLI_COMMANDS_H

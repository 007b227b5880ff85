#ifndef CLI_ARGUMENTS_H
#define CLI_ARGUMENTS_H

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>

#include <optional>

// One option a command takes: a flag, or an option with one value.
struct OptionSyntax
{
    QString name;      // "--output"
    QString shortName; // "-o", or empty
    QString valueName; // "OUT.vxs"; empty for a flag
    bool required = false;
};

// What a command takes: its options and, in order, the names of its
// arguments; with `repeats` the last one may be given any number of times.
struct ArgumentSyntax
{
    QVector<OptionSyntax> options;
    QStringList arguments;
    bool repeats = false;
};

struct ParsedArguments
{
    QStringList arguments;
    QHash<QString, QString> options; // by long name; a flag's value is empty
    bool helpAsked = false;

    bool isSet(const QString &name) const { return options.contains(name); }
    QString value(const QString &name) const { return options.value(name); }
};

// The words after the command's name, or nothing with `error` set to one
// line: an unknown option, an option without its value or given twice, a
// missing required option, a missing or an extra argument. "--" ends the
// options. "-h" or "--help" before it asks for the help and skips every check.
std::optional<ParsedArguments> parseArguments(const QStringList &words,
                                              const ArgumentSyntax &syntax, QString &error);

#endif // CLI_ARGUMENTS_H

#include "cli/arguments.h"

namespace {

bool asksForHelp(const QStringList &words)
{
    for (const QString &word : words) {
        if (word == QLatin1String("--"))
            return false;
        if (word == QLatin1String("-h") || word == QLatin1String("--help"))
            return true;
    }
    return false;
}

QString shownName(const OptionSyntax &option)
{
    return option.shortName.isEmpty() ? option.name : option.shortName;
}

class ArgumentParser
{
public:
    ArgumentParser(const QStringList &words, const ArgumentSyntax &syntax)
        : words(words), syntax(syntax)
    {
    }

    std::optional<ParsedArguments> parse(QString &error)
    {
        bool optionsEnded = false;
        for (next = 0; next < words.size();) {
            const QString word = words.at(next++);
            if (optionsEnded || !isOption(word))
                parsed.arguments.append(word);
            else if (word == QLatin1String("--"))
                optionsEnded = true;
            else if (!takeOption(word))
                break;
        }
        if (problem.isEmpty())
            problem = argumentCountProblem();
        if (problem.isEmpty())
            problem = missingOption();
        error = problem;
        return problem.isEmpty() ? std::optional<ParsedArguments>(parsed) : std::nullopt;
    }

private:
    // A lone "-" is an argument, as it is to most tools.
    static bool isOption(const QString &word)
    {
        return word.startsWith(QLatin1Char('-')) && word.size() > 1;
    }

    const OptionSyntax *find(const QString &name) const
    {
        for (const OptionSyntax &option : syntax.options) {
            if (name == option.name || (!option.shortName.isEmpty() && name == option.shortName))
                return &option;
        }
        return nullptr;
    }

    bool fail(const QString &why)
    {
        problem = why;
        return false;
    }

    // "--name=value" is taken as well as "--name value".
    bool takeOption(const QString &word)
    {
        const int equals =
            word.startsWith(QLatin1String("--")) ? word.indexOf(QLatin1Char('=')) : -1;
        const QString name = equals < 0 ? word : word.left(equals);
        const OptionSyntax *option = find(name);
        if (!option)
            return fail(QStringLiteral("unknown option %1").arg(name));
        if (parsed.isSet(option->name))
            return fail(QStringLiteral("%1 given twice").arg(name));
        if (option->valueName.isEmpty()) {
            if (equals >= 0)
                return fail(QStringLiteral("%1 takes no value").arg(name));
            parsed.options.insert(option->name, QString());
            return true;
        }
        QString value;
        if (equals >= 0)
            value = word.mid(equals + 1);
        else if (next < words.size())
            value = words.at(next++);
        if (value.isEmpty())
            return fail(QStringLiteral("%1 needs a value (%2)").arg(name, option->valueName));
        parsed.options.insert(option->name, value);
        return true;
    }

    QString missingOption() const
    {
        for (const OptionSyntax &option : syntax.options) {
            if (option.required && !parsed.isSet(option.name))
                return QStringLiteral("missing %1 %2").arg(shownName(option), option.valueName);
        }
        return QString();
    }

    QString argumentCountProblem() const
    {
        const int given = parsed.arguments.size();
        if (given < syntax.arguments.size())
            return QStringLiteral("missing %1").arg(syntax.arguments.at(given));
        if (!syntax.repeats && given > syntax.arguments.size())
            return QStringLiteral("unexpected argument '%1'")
                .arg(parsed.arguments.at(syntax.arguments.size()));
        return QString();
    }

    const QStringList &words;
    const ArgumentSyntax &syntax;
    ParsedArguments parsed;
    QString problem;
    int next = 0;
};

} // namespace

std::optional<ParsedArguments> parseArguments(const QStringList &words,
                                              const ArgumentSyntax &syntax, QString &error)
{
    if (asksForHelp(words)) {
        ParsedArguments help;
        help.helpAsked = true;
        return help;
    }
    return ArgumentParser(words, syntax).parse(error);
}

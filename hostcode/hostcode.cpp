#include "hostcode/hostcode.h"

#include "hostcode/names.h"
#include "hostcode/outputfiles.h"
#include "hostcode/screennames.h"
#include "hostcode/writers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace hostcode {

namespace {

struct LanguageEntry
{
    Language language;
    const char *name;
    QStringList suffixes;
};

const QVector<LanguageEntry> &languages()
{
    static const QVector<LanguageEntry> all{
        {Language::C, "c", {QStringLiteral(".h"), QStringLiteral(".c")}},
        {Language::Arduino, "arduino", {QStringLiteral(".h"), QStringLiteral(".cpp")}},
        {Language::Python, "python", {QStringLiteral(".py")}},
    };
    return all;
}

const LanguageEntry &entryOf(Language language)
{
    return languages().at(int(language));
}

void addProblems(const QString &script, const QVector<script::ScriptError> &errors,
                 QVector<ExportProblem> &problems)
{
    for (const script::ScriptError &error : errors)
        problems.append(ExportProblem{script, error.pos, error.message});
}

QVector<GeneratedFile> filesOf(Language language, const QVector<ScriptCode> &codes,
                               const ExportOptions &options)
{
    switch (language) {
    case Language::C:
        return cFiles(codes, options);
    case Language::Arduino:
        return arduinoFiles(codes, options);
    case Language::Python:
        return pythonFiles(codes, options);
    }
    return {};
}

} // namespace

std::optional<Language> languageNamed(const QString &name)
{
    for (const LanguageEntry &entry : languages()) {
        if (name.compare(QLatin1String(entry.name), Qt::CaseInsensitive) == 0)
            return entry.language;
    }
    return std::nullopt;
}

QString languageName(Language language)
{
    return QLatin1String(entryOf(language).name);
}

QStringList outputNames(Language language)
{
    QStringList names;
    for (const QString &suffix : entryOf(language).suffixes)
        names.append(QLatin1String(outputBase) + suffix);
    return names;
}

QString ExportProblem::toString() const
{
    if (script.isEmpty())
        return message;
    if (pos.line <= 0)
        return QStringLiteral("%1: %2").arg(script, message);
    return QStringLiteral("%1:%2:%3: %4").arg(script).arg(pos.line).arg(pos.column).arg(message);
}

Generated generateCode(const QVector<NamedScript> &scripts, Language language,
                       const ExportOptions &options)
{
    Generated generated;
    if (scripts.isEmpty()) {
        generated.problems.append(ExportProblem{{}, {}, QStringLiteral("no scripts to export")});
        return generated;
    }
    QStringList names;
    for (const NamedScript &named : scripts)
        names.append(named.name);
    const QStringList parts = uniqueNameParts(names);
    QVector<ScriptCode> codes;
    for (int i = 0; i < scripts.size(); ++i) {
        const NamedScript &named = scripts.at(i);
        const script::ParseResult parsed =
            script::parseScript(named.text, named.baseDir, options.extendedAtStart);
        addProblems(named.name, parsed.errors, generated.problems);
        if (!parsed.ok())
            continue;
        PlanResult planned = planScript(parsed.script, options.extendedAtStart);
        addProblems(named.name, planned.errors, generated.problems);
        codes.append(ScriptCode{named.name, parts.at(i), std::move(planned.plan), {}});
    }
    if (generated.problems.isEmpty())
        generated.problems = nameScreens(codes, language);
    if (generated.problems.isEmpty())
        generated.files = filesOf(language, codes, options);
    return generated;
}

ExportResult exportScripts(const QVector<NamedScript> &scripts, Language language,
                           const QString &dir, const ExportOptions &options)
{
    ExportResult result;
    const Generated generated = generateCode(scripts, language, options);
    result.problems = generated.problems;
    if (!result.ok())
        return result;
    if (options.makeFolder && !QFileInfo::exists(dir) && !QDir().mkpath(dir)) {
        result.problems.append(
            ExportProblem{{}, {}, QStringLiteral("cannot make the folder %1").arg(dir)});
        return result;
    }
    QString problem;
    const std::optional<QStringList> written = writeGeneratedFiles(dir, generated.files, problem);
    if (written)
        result.written = *written;
    else
        result.problems.append(ExportProblem{{}, {}, problem});
    return result;
}

std::optional<NamedScript> readNamedScript(const QString &path, QString &error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    return NamedScript{path, QString::fromUtf8(file.readAll()), QFileInfo(path).absolutePath()};
}

} // namespace hostcode

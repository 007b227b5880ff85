#include "cli/scriptsession.h"

#include "cli/console.h"
#include "script/junitreport.h"
#include "script/portlink.h"
#include "serial/modulelink.h"
#include "traffic/trafficrecorder.h"

#include <QDir>
#include <QEventLoop>

#include <cstdio>
#include <memory>

using script::RunSummary;
using script::ScriptReport;
using script::StepResult;

namespace {

// A parsed script and the name its lines and reports go by.
struct ScriptJob
{
    QString name;
    script::Script script;
};

const QString portOption = QStringLiteral("--port");
const QString baudOption = QStringLiteral("--baud");
const QString extendedOption = QStringLiteral("--extended");

bool openPort(ModuleLink &link, const SessionSettings &settings)
{
    if (link.open({settings.line.port, quint32(settings.line.baudRate)}))
        return true;
    printProblem(QStringLiteral("%1: cannot open %2: %3")
                     .arg(settings.command, shown(settings.line.port), link.port().errorString()));
    return false;
}

// Runs the jobs one after another on the event loop until the last is over
// or the line has gone; scripts after a lost line are reported as not run.
QVector<ScriptReport> playJobs(const QVector<ScriptJob> &jobs, script::PortLink &link,
                               bool extendedAtStart)
{
    bool extended = extendedAtStart;
    QVector<ScriptReport> reports;
    script::ScriptRunner &runner = link.runner();
    QEventLoop loop;
    const bool named = jobs.size() > 1;
    const auto startNext = [&] {
        if (reports.size() == jobs.size() || !link.lostReason().isEmpty()) {
            loop.quit();
            return;
        }
        const ScriptJob &job = jobs.at(reports.size());
        if (named)
            printLine(QStringLiteral("== ") + job.name);
        if (!reports.isEmpty())
            extended = runner.extendedMode(); // the module stays as the last script left it
        reports.append(ScriptReport{job.name, {}, {}, true});
        runner.start(job.script, extended);
    };
    // Lines go out as the bytes outputLine() would encode, through one
    // buffer: a long script prints a line per statement.
    QByteArray line;
    QObject::connect(&runner, &script::ScriptRunner::statementDone, &loop,
                     [&reports, &line](const StepResult &step) {
                         line.truncate(0);
                         script::appendOutputLine(line, step);
                         line += '\n';
                         std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
                         if (step.isExpect() || !step.passed)
                             reports.last().steps.append(step);
                     });
    QObject::connect(&runner, &script::ScriptRunner::finished, &loop,
                     [&](const RunSummary &summary) {
                         reports.last().summary = summary;
                         startNext();
                     });
    if (!jobs.isEmpty()) {
        startNext();
        loop.exec();
    }
    for (int i = reports.size(); i < jobs.size(); ++i)
        reports.append(ScriptReport{jobs.at(i).name, {}, {}, false});
    return reports;
}

// "ok: 5 expectations passed, 0 failed, 0.84 s"
QString summaryLine(const QVector<ScriptReport> &reports, bool ok)
{
    int passed = 0;
    int failed = 0;
    int ran = 0;
    qint64 elapsedNs = 0;
    for (const ScriptReport &report : reports) {
        passed += report.summary.passed;
        failed += report.summary.failed;
        ran += report.ran ? 1 : 0;
        elapsedNs += report.summary.elapsedNs;
    }
    QString line =
        QStringLiteral("%1: %2 %3 passed, %4 failed")
            .arg(ok ? QStringLiteral("ok") : QStringLiteral("FAILED"))
            .arg(passed)
            .arg(passed == 1 ? QStringLiteral("expectation") : QStringLiteral("expectations"))
            .arg(failed);
    if (reports.size() > 1)
        line += QStringLiteral(", %1 of %2 scripts run").arg(ran).arg(reports.size());
    return line + QStringLiteral(", %1 s").arg(double(elapsedNs) / 1e9, 0, 'f', 2);
}

// One problem line per script that did not pass; true when all passed.
bool reportProblems(const QVector<ScriptReport> &reports, const SessionSettings &settings)
{
    bool ok = true;
    for (const ScriptReport &report : reports) {
        if (!report.ran || report.summary.ok())
            continue;
        ok = false;
        printProblem(QStringLiteral("%1: %2: %3")
                         .arg(settings.command, report.name, report.summary.failure));
    }
    return ok;
}

} // namespace

ArgumentSyntax lineSyntax()
{
    ArgumentSyntax syntax;
    syntax.options = {{portOption, QString(), QStringLiteral("PORT"), true},
                      {baudOption, QString(), QStringLiteral("N"), false},
                      {extendedOption, QString(), QString(), false}};
    return syntax;
}

std::optional<LineOptions> lineOptions(const ParsedArguments &arguments, const QString &command)
{
    LineOptions line;
    line.port = arguments.value(portOption);
    line.extendedAtStart = arguments.isSet(extendedOption);
    if (arguments.isSet(baudOption)) {
        bool number = false;
        line.baudRate = arguments.value(baudOption).toInt(&number);
        if (!number || line.baudRate <= 0) {
            usageError(command, QStringLiteral("--baud needs a rate in bits per second, "
                                               "such as 115200"));
            return std::nullopt;
        }
    }
    return line;
}

namespace {

// Every problem of every script, before anything is sent.
bool parseScriptFiles(const QStringList &paths, bool extendedAtStart, QVector<ScriptJob> &jobs)
{
    bool clean = true;
    bool extended = extendedAtStart;
    for (const QString &path : paths) {
        const script::ParseResult parsed = script::parseScriptFile(path, extended);
        for (const script::ScriptError &error : parsed.errors) {
            const QString where = error.pos.line > 0 ? QStringLiteral("%1:%2:%3")
                                                           .arg(shown(path))
                                                           .arg(error.pos.line)
                                                           .arg(error.pos.column)
                                                     : shown(path);
            printText(where + QStringLiteral(": ") + error.message + QLatin1Char('\n'), true);
        }
        clean = clean && parsed.ok();
        jobs.append(ScriptJob{path, parsed.script});
        extended = script::modeAfterAll(parsed.script.statements, extended);
    }
    return clean;
}

// Where a line of the joined statements came from: an argument may hold several.
QString whereInArguments(const QStringList &statements, const script::SourcePos &pos)
{
    int line = 1;
    for (int i = 0; i < statements.size(); ++i) {
        const int lines = statements.at(i).count(QLatin1Char('\n')) + 1;
        if (pos.line < line + lines) {
            const QString inside =
                lines > 1 ? QStringLiteral(", line %1").arg(pos.line - line + 1) : QString();
            return QStringLiteral("statement %1%2, column %3")
                .arg(i + 1)
                .arg(inside)
                .arg(pos.column);
        }
        line += lines;
    }
    return QStringLiteral("line %1").arg(pos.line);
}

int runScripts(const QVector<ScriptJob> &jobs, const SessionSettings &settings)
{
    ModuleLink module;
    if (!openPort(module, settings))
        return exitUsage;
    std::unique_ptr<TrafficRecorder> recorder;
    if (!settings.capturePath.isEmpty()) {
        recorder = std::make_unique<TrafficRecorder>();
        const QString problem = recorder->startFile(settings.capturePath);
        if (!problem.isEmpty()) {
            printProblem(settings.command + QStringLiteral(": ") + problem);
            return exitUsage;
        }
        recorder->lineOpened();
        QObject::connect(recorder.get(), &TrafficRecorder::fileFailed,
                         [](const QString &error) { printWarning(error); });
        // Each record is in the file as soon as it happens: a line that hangs
        // up mid-run still leaves a whole capture of what went before.
        module.setRecorder([&recorder](Direction direction, const QByteArray &bytes) {
            recorder->record(direction, bytes);
        });
    }

    script::PortLink link(module);
    if (settings.reconnectSeconds > 0)
        link.keepLine(settings.line.port, settings.reconnectSeconds,
                      [](const QString &note) { printWarning(note); });
    const QVector<ScriptReport> reports = playJobs(jobs, link, settings.line.extendedAtStart);
    module.close();
    if (recorder)
        recorder->stopFile();

    bool ok = reportProblems(reports, settings);
    if (!link.lostReason().isEmpty())
        ok = false;
    if (settings.printSummary)
        printLine(summaryLine(reports, ok));
    if (!settings.junitPath.isEmpty()) {
        const QString problem = script::saveJUnit(settings.junitPath, reports);
        if (!problem.isEmpty()) {
            printProblem(settings.command + QStringLiteral(": ") + problem);
            ok = false;
        }
    }
    return ok ? exitDone : exitFailed;
}

} // namespace

int runScriptFiles(const QStringList &paths, const SessionSettings &settings)
{
    QVector<ScriptJob> jobs;
    if (!parseScriptFiles(paths, settings.line.extendedAtStart, jobs))
        return exitUsage;
    return runScripts(jobs, settings);
}

int sendStatements(const QStringList &statements, const SessionSettings &settings)
{
    const script::ParseResult parsed = script::parseScript(
        statements.join(QLatin1Char('\n')), QDir::currentPath(), settings.line.extendedAtStart);
    for (const script::ScriptError &error : parsed.errors)
        printProblem(
            QStringLiteral("%1: %2: %3")
                .arg(settings.command, whereInArguments(statements, error.pos), error.message));
    if (!parsed.ok())
        return exitUsage;
    ScriptJob job{settings.command, parsed.script};
    job.script.name = job.name;
    return runScripts({job}, settings);
}

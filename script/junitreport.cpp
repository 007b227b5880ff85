#include "script/junitreport.h"

#include "files/safefile.h"

#include <QXmlStreamWriter>

namespace script {

namespace {

// Enough of a flood to see what it was, without a report of megabytes.
constexpr int receivedShown = 4096;

struct Counts
{
    int tests = 0;
    int failures = 0;
    int errors = 0;
    int skipped = 0;

    void add(const Counts &other)
    {
        tests += other.tests;
        failures += other.failures;
        errors += other.errors;
        skipped += other.skipped;
    }
};

QString seconds(qint64 nanoseconds)
{
    return QString::number(double(nanoseconds) / 1e9, 'f', 3);
}

// An expectation that did not see its bytes failed; anything else that ended
// the run, the line going away included, kept the script from being judged.
bool isFailure(const StepResult &step, const RunSummary &summary)
{
    return step.isExpect() && !summary.lineLost;
}

// A run that ended early with no step to blame: the line went away between
// statements, or the run was stopped.
bool endedWithoutStep(const ScriptReport &report)
{
    const bool endedEarly = !report.summary.failure.isEmpty() || report.summary.stopped;
    for (const StepResult &step : report.steps) {
        if (!step.passed)
            return false;
    }
    return endedEarly;
}

Counts countsOf(const ScriptReport &report)
{
    Counts counts;
    if (!report.ran) {
        counts.tests = counts.skipped = 1;
        return counts;
    }
    for (const StepResult &step : report.steps) {
        ++counts.tests;
        if (!step.passed)
            ++(isFailure(step, report.summary) ? counts.failures : counts.errors);
    }
    if (endedWithoutStep(report)) {
        ++counts.tests;
        ++counts.errors;
    }
    return counts;
}

void writeCounts(QXmlStreamWriter &xml, const Counts &counts)
{
    xml.writeAttribute(QStringLiteral("tests"), QString::number(counts.tests));
    xml.writeAttribute(QStringLiteral("failures"), QString::number(counts.failures));
    xml.writeAttribute(QStringLiteral("errors"), QString::number(counts.errors));
    xml.writeAttribute(QStringLiteral("skipped"), QString::number(counts.skipped));
}

QString expectedText(const StepResult &step)
{
    return step.expectedReply.isEmpty() ? shortHex(step.expected, step.expected.size())
                                        : step.expectedReply;
}

void writeStep(QXmlStreamWriter &xml, const ScriptReport &report, const StepResult &step)
{
    xml.writeStartElement(QStringLiteral("testcase"));
    xml.writeAttribute(QStringLiteral("name"),
                       QStringLiteral("line %1: %2").arg(step.pos.line).arg(step.source));
    xml.writeAttribute(QStringLiteral("classname"), report.name);
    xml.writeAttribute(QStringLiteral("time"), seconds(step.elapsedNs));
    if (!step.passed) {
        const bool failure = isFailure(step, report.summary);
        xml.writeStartElement(failure ? QStringLiteral("failure") : QStringLiteral("error"));
        xml.writeAttribute(QStringLiteral("message"), step.failure);
        xml.writeAttribute(QStringLiteral("type"),
                           failure ? QStringLiteral("expect") : QStringLiteral("run"));
        if (step.isExpect())
            xml.writeCharacters(
                QStringLiteral("expected: %1\nreceived: %2\n")
                    .arg(expectedText(step), shortHex(step.received, receivedShown)));
        xml.writeEndElement();
    }
    xml.writeEndElement();
}

// A test case for the run as a whole: how it ended early (`outcome` "error")
// or that it never started ("skipped").
void writeRunCase(QXmlStreamWriter &xml, const ScriptReport &report, const QString &outcome,
                  const QString &message)
{
    xml.writeStartElement(QStringLiteral("testcase"));
    xml.writeAttribute(QStringLiteral("name"), QStringLiteral("run"));
    xml.writeAttribute(QStringLiteral("classname"), report.name);
    xml.writeStartElement(outcome);
    xml.writeAttribute(QStringLiteral("message"), message);
    if (outcome == QLatin1String("error"))
        xml.writeAttribute(QStringLiteral("type"), QStringLiteral("run"));
    xml.writeEndElement();
    xml.writeEndElement();
}

void writeSuite(QXmlStreamWriter &xml, const ScriptReport &report)
{
    xml.writeStartElement(QStringLiteral("testsuite"));
    xml.writeAttribute(QStringLiteral("name"), report.name);
    writeCounts(xml, countsOf(report));
    xml.writeAttribute(QStringLiteral("time"), seconds(report.summary.elapsedNs));
    if (!report.ran)
        writeRunCase(xml, report, QStringLiteral("skipped"),
                     QStringLiteral("not run: the line went away before it"));
    for (const StepResult &step : report.steps)
        writeStep(xml, report, step);
    if (report.ran && endedWithoutStep(report))
        writeRunCase(xml, report, QStringLiteral("error"),
                     report.summary.stopped ? QStringLiteral("stopped") : report.summary.failure);
    xml.writeEndElement();
}

} // namespace

void writeJUnit(QIODevice &device, const QVector<ScriptReport> &reports)
{
    QXmlStreamWriter xml(&device);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("testsuites"));
    Counts total;
    qint64 elapsedNs = 0;
    for (const ScriptReport &report : reports) {
        total.add(countsOf(report));
        elapsedNs += report.summary.elapsedNs;
    }
    writeCounts(xml, total);
    xml.writeAttribute(QStringLiteral("time"), seconds(elapsedNs));
    for (const ScriptReport &report : reports)
        writeSuite(xml, report);
    xml.writeEndElement();
    xml.writeEndDocument();
}

QString saveJUnit(const QString &path, const QVector<ScriptReport> &reports)
{
    SafeFile file(path);
    if (!file.open())
        return file.error();
    writeJUnit(file.device(), reports);
    return file.commit() ? QString() : file.error();
}

} // namespace script

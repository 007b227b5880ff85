#ifndef SCRIPT_JUNITREPORT_H
#define SCRIPT_JUNITREPORT_H

#include "script/stepresult.h"

#include <QString>
#include <QVector>

class QIODevice;

namespace script {

// One script's part of a report.
struct ScriptReport
{
    QString name; // the suite's name: the script's path as given
    // Every expectation that ran, in order, and the step that ended the run
    // when it was no expectation (a file that could not be sent, a wait cut
    // short by a lost line).
    QVector<StepResult> steps;
    RunSummary summary;
    bool ran = true; // false for scripts left out after the line went away
};

// A JUnit XML report, as CI servers read it: a <testsuite> per script and a
// <testcase> per expectation; a failed one carries the expected and the
// received bytes. What ended a run otherwise is an <error> test case, and a
// script that never ran is one skipped test case.
void writeJUnit(QIODevice &device, const QVector<ScriptReport> &reports);

// Writes the report to `path` whole or not at all; returns the one-line
// problem, or nothing.
QString saveJUnit(const QString &path, const QVector<ScriptReport> &reports);

} // namespace script

#endif // SCRIPT_JUNITREPORT_H

#ifndef PREVIEW_STEPPLAN_H
#define PREVIEW_STEPPLAN_H

#include "script/script.h"

#include <QByteArray>
#include <QVector>

namespace preview {

// A statement of a parsed script, numbered in text order (a repeat before
// its body), with the bytes its list prepared (Statement::wireAt) and where
// its part of the tree ends.
struct StatementRef
{
    const script::Statement *statement = nullptr;
    const QByteArray *wire = nullptr; // of the list holding it
    int end = 0;                      // the number after its repeat's body, or its own plus 1
    bool bodyRuns = false;            // a repeat whose body holds something that runs
};

// Every statement of `script` in text order. The references point into
// `script`, which must outlive them unchanged.
QVector<StatementRef> statementsInOrder(const script::Script &script);

// One statement carried out: which, and the mode the bench encodes it in.
struct PlannedStep
{
    int statement = 0;
    bool extended = false;
};

struct StepPlan
{
    QVector<PlannedStep> steps;
    int cutBefore = -1; // the statement that would have run next past the limit, or -1
};

// The order the statements run in, a repeat's body once per round, as the
// runner takes them: repeats themselves are no steps. At most `limit`.
StepPlan planSteps(const script::Script &script, const QVector<StatementRef> &statements,
                   bool extendedAtStart, int limit);

// The bytes a step sends, as the runner sends them: a command from its
// list's prepared bytes, or encoded again for a Y in extended mode (in
// `scratch`); a `send` its bytes. Nothing for the rest: waits and
// expectations send nothing, and a file written to the card is left out,
// as the preview's card is write-protected and would refuse it anyway.
QByteArray stepBytes(const StatementRef &ref, bool extended, QByteArray &scratch);

} // namespace preview

#endif // PREVIEW_STEPPLAN_H

#include "preview/stepplan.h"

#include <algorithm>

namespace preview {

namespace {

using script::Statement;

void collect(const QVector<Statement> &list, const QByteArray &wire, QVector<StatementRef> &out)
{
    for (const Statement &statement : list) {
        const int index = int(out.size());
        out.append(StatementRef{&statement, &wire, index + 1, false});
        if (statement.kind != Statement::Kind::Repeat)
            continue;
        collect(statement.body, statement.bodyWire, out);
        StatementRef &repeat = out[index];
        repeat.end = int(out.size());
        // Rounds of a body with nothing to carry out are skipped whole, or
        // nested repeats of empty bodies would count to a million squared.
        repeat.bodyRuns = std::any_of(out.begin() + index + 1, out.end(), [](const auto &inner) {
            return inner.statement->kind != Statement::Kind::Repeat;
        });
    }
}

class Planner
{
public:
    Planner(const QVector<StatementRef> &statements, bool extended, int limit)
        : statements(statements), extended(extended), limit(limit)
    {
    }

    // False once the limit is reached.
    bool walk(const QVector<Statement> &list, int first);
    StepPlan plan;

private:
    const QVector<StatementRef> &statements;
    bool extended;
    const int limit;
};

bool Planner::walk(const QVector<Statement> &list, int first)
{
    int index = first;
    for (const Statement &statement : list) {
        const StatementRef &ref = statements.at(index);
        if (statement.kind == Statement::Kind::Repeat) {
            for (int round = 0; ref.bodyRuns && round < statement.count; ++round) {
                if (!walk(statement.body, index + 1))
                    return false;
            }
            index = ref.end;
            continue;
        }
        if (plan.steps.size() >= limit) {
            plan.cutBefore = index;
            return false;
        }
        plan.steps.append(PlannedStep{index, extended});
        extended = script::modeAfter(statement, extended);
        ++index;
    }
    return true;
}

} // namespace

QVector<StatementRef> statementsInOrder(const script::Script &script)
{
    QVector<StatementRef> all;
    collect(script.statements, script.wire, all);
    return all;
}

StepPlan planSteps(const script::Script &script, const QVector<StatementRef> &statements,
                   bool extendedAtStart, int limit)
{
    Planner planner(statements, extendedAtStart, limit);
    planner.walk(script.statements, 0);
    return planner.plan;
}

QByteArray stepBytes(const StatementRef &ref, bool extended, QByteArray &scratch)
{
    const Statement &statement = *ref.statement;
    switch (statement.kind) {
    case Statement::Kind::Command: {
        const bool prepared = statement.wireAt >= 0 &&
                              statement.wireAt + statement.wireSize <= ref.wire->size() &&
                              (!extended || !takesY(spec(statement.command)));
        if (prepared)
            return QByteArray::fromRawData(ref.wire->constData() + statement.wireAt,
                                           statement.wireSize);
        scratch.truncate(0);
        appendCommandBytes(scratch, statement.command, statement.values, statement.text, extended);
        return scratch;
    }
    case Statement::Kind::Raw:
        return statement.bytes;
    case Statement::Kind::SendFile:
    case Statement::Kind::Wait:
    case Statement::Kind::Expect:
    case Statement::Kind::Repeat:
        break;
    }
    return {};
}

} // namespace preview

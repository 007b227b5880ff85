#include "hostcode/writers.h"

#include <algorithm>

namespace hostcode {

namespace {

void addUses(const QVector<Step> &steps, Uses &uses)
{
    for (const Step &step : steps) {
        switch (step.kind) {
        case Step::Kind::Write:
            uses.write = true;
            break;
        case Step::Kind::Wait:
            uses.wait = true;
            break;
        case Step::Kind::Expect:
            uses.read = true;
            uses.bytesCheck = uses.bytesCheck || step.check.kind == Check::Kind::Bytes;
            uses.longestRead = std::max(uses.longestRead, step.check.length);
            break;
        case Step::Kind::Loop:
            addUses(step.body, uses);
            break;
        }
    }
}

} // namespace

Uses usesOf(const QVector<Step> &steps)
{
    Uses uses;
    addUses(steps, uses);
    return uses;
}

Uses usesOf(const QVector<ScriptCode> &scripts)
{
    Uses uses;
    for (const ScriptCode &script : scripts)
        addUses(script.plan.steps, uses);
    return uses;
}

} // namespace hostcode

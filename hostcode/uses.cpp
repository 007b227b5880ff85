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
        case Step::Kind::Draw:
            uses.draw = true; // what the screen uses counts with its own steps
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
    for (const ScriptCode &script : scripts) {
        addUses(script.plan.steps, uses);
        for (const Screen &screen : script.plan.screens)
            addUses(screen.steps, uses);
    }
    return uses;
}

QByteArray buttonPlace(const Button &button)
{
    return "line " + QByteArray::number(button.pos.line) + ": at " + QByteArray::number(button.x) +
           ", " + QByteArray::number(button.y) + ", " + QByteArray::number(button.width) + " x " +
           QByteArray::number(button.height);
}

QString screenTitle(const Screen &screen)
{
    return QStringLiteral("screen \"%1\"").arg(screen.name);
}

} // namespace hostcode

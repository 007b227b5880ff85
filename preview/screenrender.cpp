#include "preview/screenrender.h"

#include "preview/runnablepart.h"

#include "sim/module.h"

#include <algorithm>
#include <utility>

namespace preview {

namespace {

// Snapshots are at least this many steps apart, and about this many are
// kept for a run: each holds the layers and writer maps drawn since the one
// before (up to 900 KB), and going to a step replays at most one spacing.
constexpr int closestSnapshots = 256;
constexpr int snapshotsKept = 32;

int spacingFor(int steps)
{
    return std::max(closestSnapshots, steps / snapshotsKept + 1);
}

bool sameBytes(const StatementRef &a, const StatementRef &b, bool extended)
{
    if (a.statement->kind != b.statement->kind)
        return false;
    QByteArray scratchA;
    QByteArray scratchB;
    return stepBytes(a, extended, scratchA) == stepBytes(b, extended, scratchB);
}

Pen penOf(const vxsim::Module::State &memory)
{
    return Pen{memory.position, memory.ink, memory.paper, memory.font, memory.screen.orientation()};
}

} // namespace

ScreenRender::ScreenRender(RenderContext context) : where(std::move(context))
{
    render(script::Script{}, false);
}

ScreenRender::~ScreenRender() = default;

void ScreenRender::setContext(const RenderContext &context)
{
    where = context;
    refresh();
}

void ScreenRender::setText(const QString &text, const QString &baseDir, bool extendedAtStart)
{
    RunnablePart part = runnablePart(text, baseDir, extendedAtStart);
    parseErrors = part.errors;
    render(part.script, extendedAtStart);
}

void ScreenRender::setScript(const script::Script &script, bool extendedAtStart)
{
    parseErrors.clear();
    render(script, extendedAtStart);
}

void ScreenRender::refresh()
{
    fresh = true;
    const script::Script same = rendered;
    render(same, startsExtended);
}

const script::Statement &ScreenRender::statement(int index) const
{
    return *statements.at(index).statement;
}

int ScreenRender::statementAtLine(int line) const
{
    const auto found = std::lower_bound(
        statements.begin(), statements.end(), line,
        [](const StatementRef &ref, int wanted) { return ref.statement->pos.line < wanted; });
    if (found == statements.end() || found->statement->pos.line != line)
        return -1;
    return int(found - statements.begin());
}

int ScreenRender::stepsThrough(int line) const
{
    for (int i = 0; i < steps.size(); ++i) {
        if (position(steps.at(i).statement).line > line)
            return i;
    }
    return stepCount();
}

// The statements of the last run stay alive in `previous` while the new
// plan is compared with the old steps: the part both share is not run again.
// Their references are made again from `previous`: the old ones point at
// the member `rendered`, whose list of prepared bytes is about to change.
void ScreenRender::render(const script::Script &script, bool extendedAtStart)
{
    const script::Script previous = rendered;
    const QVector<StatementRef> previousStatements = statementsInOrder(previous);
    if (extendedAtStart != startsExtended)
        fresh = true;
    rendered = script;
    startsExtended = extendedAtStart;
    statements = statementsInOrder(std::as_const(rendered));
    const StepPlan plan =
        planSteps(std::as_const(rendered), statements, extendedAtStart, stepLimit);
    cut = plan.cutBefore;
    const int shared = fresh ? 0 : sharedSteps(plan, previousStatements);
    runFrom(plan, shared);
    fresh = false;
}

int ScreenRender::sharedSteps(const StepPlan &plan, const QVector<StatementRef> &before) const
{
    const int common = std::min(int(steps.size()), int(plan.steps.size()));
    for (int i = 0; i < common; ++i) {
        const Step &old = steps.at(i);
        const PlannedStep &now = plan.steps.at(i);
        if (old.statement != now.statement || old.extended != now.extended ||
            !sameBytes(before.at(old.statement), statements.at(now.statement), now.extended))
            return i;
    }
    return common;
}

const ScreenRender::Snapshot &ScreenRender::snapshotAtOrBefore(int count) const
{
    if (!fresh && ending.steps <= count)
        return ending;
    const auto after = std::upper_bound(
        snapshots.begin(), snapshots.end(), count,
        [](int wanted, const Snapshot &snapshot) { return wanted < snapshot.steps; });
    return *(after - 1);
}

// Runs the plan from the last snapshot within the first `shared` steps,
// which the last run took alike; a fresh run starts at the module's start.
void ScreenRender::runFrom(const StepPlan &plan, int shared)
{
    std::unique_ptr<vxsim::Module> module = startModule();
    Snapshot start;
    if (fresh || snapshots.isEmpty()) {
        module->setWriteTag(-1); // the start screen was written by no statement
        start = Snapshot{0, module->state(), {}};
        snapshots = {start};
        stepNotes.clear();
    } else {
        start = snapshotAtOrBefore(shared);
        module->restoreState(start.state);
        snapshots.erase(std::upper_bound(snapshots.begin(), snapshots.end(), start.steps,
                                         [](int steps, const Snapshot &snapshot) {
                                             return steps < snapshot.steps;
                                         }),
                        snapshots.end());
        stepNotes.erase(
            std::find_if(stepNotes.begin(), stepNotes.end(),
                         [&](const StepNote &note) { return note.step >= start.steps; }),
            stepNotes.end());
    }
    steps.resize(start.steps);
    snapshotSpacing = spacingFor(int(plan.steps.size()));
    QMap<int, int> buttonStatements = start.buttonStatements;
    steps.reserve(plan.steps.size());
    for (int i = start.steps; i < plan.steps.size(); ++i) {
        runStep(*module, plan.steps.at(i), buttonStatements);
        if (steps.size() % snapshotSpacing == 0)
            keepSnapshot(Snapshot{int(steps.size()), module->state(), buttonStatements});
    }
    ending = Snapshot{int(steps.size()), module->state(), buttonStatements};
}

void ScreenRender::keepSnapshot(Snapshot &&snapshot)
{
    snapshots.append(std::move(snapshot));
    if (snapshots.size() <= 2 * snapshotsKept)
        return;
    // Left from runs with closer spacing: every other one goes.
    QVector<Snapshot> thinned;
    for (int i = 0; i < snapshots.size(); i += 2)
        thinned.append(snapshots.at(i));
    snapshots = thinned;
}

void ScreenRender::runStep(vxsim::Module &module, const PlannedStep &planned,
                           QMap<int, int> &buttonStatements)
{
    const StatementRef &ref = statements.at(planned.statement);
    module.setWriteTag(planned.statement);
    const int skippedBefore = module.skippedBytes();
    const Pen pen = penOf(module.memory());
    const QByteArray bytes = stepBytes(ref, planned.extended, scratch);
    if (!bytes.isEmpty())
        module.receive(bytes);
    const int step = int(steps.size());
    const vxsim::Screen &screen = module.display();
    steps.append(Step{planned.statement, planned.extended, screen.writtenSinceTag(), pen});
    const bool button = ref.statement->kind == script::Statement::Kind::Command &&
                        ref.statement->command == Command::ButtonDef;
    // A button is judged by its area: its face may be an image smaller than
    // the area, or a placeholder whose label does not fit a tiny button.
    if (button)
        noteButton(module, planned.statement, buttonStatements);
    else if (screen.droppedSinceTag() > 0)
        stepNotes.append(StepNote{step, StepNote::Kind::OffScreen, screen.droppedSinceTag(), -1});
    if (module.skippedBytes() > skippedBefore)
        stepNotes.append(
            StepNote{step, StepNote::Kind::Skipped, module.skippedBytes() - skippedBefore, -1});
}

// A button defined over another: a press there is taken by one of them only.
void ScreenRender::noteButton(const vxsim::Module &module, int statement,
                              QMap<int, int> &buttonStatements)
{
    const int number = int(statements.at(statement).statement->values.value(0));
    const auto &buttons = module.touchButtons();
    const auto defined = buttons.find(quint8(number));
    if (defined == buttons.end())
        return;
    const QRect area = panelArea(*defined);
    const QRect panel(0, 0, vxsim::Screen::PanelWidth, vxsim::Screen::PanelHeight);
    const int step = int(steps.size()) - 1;
    if (!panel.contains(area))
        stepNotes.append(StepNote{
            step, StepNote::Kind::OffScreen,
            area.width() * area.height() - (area & panel).width() * (area & panel).height(), -1});
    for (const vxsim::TouchButton &other : buttons) {
        if (other.number != number && area.intersects(panelArea(other)))
            stepNotes.append(StepNote{step, StepNote::Kind::Overlap, other.number,
                                      buttonStatements.value(other.number, -1)});
    }
    buttonStatements.insert(number, statement);
}

// A module in the mode the script starts in: a flash image's header can say
// so, as for a module set to start in extended mode.
std::unique_ptr<vxsim::Module> ScreenRender::startModule() const
{
    if (!startsExtended)
        return where.startModule();
    StartupSettings settings = simulatorStart();
    settings.extendedMode = true;
    return where.startModule(settings);
}

std::unique_ptr<vxsim::Module> ScreenRender::moduleAt(int count) const
{
    count = std::clamp(count, 0, stepCount());
    const Snapshot &from = snapshotAtOrBefore(count);
    std::unique_ptr<vxsim::Module> module = startModule();
    module->restoreState(from.state);
    QByteArray bytes;
    for (int i = from.steps; i < count; ++i) {
        const Step &step = steps.at(i);
        module->setWriteTag(step.statement);
        const QByteArray sent = stepBytes(statements.at(step.statement), step.extended, bytes);
        if (!sent.isEmpty())
            module->receive(sent);
    }
    return module;
}

RenderedScreen ScreenRender::screenAfter(int count) const
{
    count = std::clamp(count, 0, stepCount());
    if (count == stepCount())
        return screen();
    return RenderedScreen(moduleAt(count)->state(), count);
}

QRect ScreenRender::drawnBy(int statement, int count) const
{
    count = count < 0 ? stepCount() : std::min(count, stepCount());
    QRect box;
    for (int i = 0; i < count; ++i) {
        if (steps.at(i).statement == statement)
            box |= steps.at(i).written;
    }
    return box;
}

Pen ScreenRender::penBefore(int step) const
{
    if (step < stepCount())
        return steps.at(step).pen;
    return penOf(ending.state);
}

TouchReport ScreenRender::press(QPoint panelPoint, int count) const
{
    std::unique_ptr<vxsim::Module> module = moduleAt(count < 0 ? stepCount() : count);
    TouchReport report;
    QObject::connect(module.get(), &vxsim::Module::reply,
                     [&report](const QByteArray &bytes) { report.bytes += bytes; });
    const auto before = module->touchButtons();
    module->press(panelPoint);
    for (const vxsim::TouchButton &button : module->touchButtons()) {
        if (button.state == vxsim::TouchButton::Down &&
            before.value(button.number).state != vxsim::TouchButton::Down)
            report.button = button.number;
    }
    if (!report.bytes.isEmpty())
        report.point = decodeReply(report.bytes, 0).touch;
    return report;
}

} // namespace preview

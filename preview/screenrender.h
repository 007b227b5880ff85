#ifndef PREVIEW_SCREENRENDER_H
#define PREVIEW_SCREENRENDER_H

#include "commands/replydecoder.h"
#include "preview/rendercontext.h"
#include "preview/renderedscreen.h"
#include "preview/stepplan.h"
#include "script/script.h"

#include <QMap>
#include <QRect>
#include <QString>
#include <QVector>

#include <memory>
#include <optional>

#include "sim/screen.h"

namespace preview {

// What the module would send for a press on the panel.
struct TouchReport
{
    QByteArray bytes;                // empty when the touch protocol is None
    std::optional<TouchPoint> point; // as the bench's reply reader reads it: `expect touch X Y`
    int button = -1;                 // the button the press holds down, or -1
};

// What the module held as a step began: where and how the next drawing
// command draws. The cursor is in logical pixels, as SetXHY gives it.
struct Pen
{
    QPoint cursor;
    quint16 ink = 0;
    quint16 paper = 0;
    quint8 font = 0;
    vxsim::Orientation orientation = vxsim::Orientation::North;
};

// Something a step did that a check may name; kept only where it happened.
struct StepNote
{
    enum class Kind
    {
        OffScreen, // `count` points fell off the screen (for a button, of its area)
        Skipped,   // the module read `count` bytes as no command
        Overlap,   // the button defined covers button `count`, defined by statement `other`
    };
    int step = 0;
    Kind kind = Kind::OffScreen;
    qint64 count = 0;
    int other = -1;
};

// A script run through the simulator's own interpreter, for a preview of
// what it draws. Each statement's bytes, as the runner would send them, go
// to a fresh simulated module (vxsim::Module) while its screen notes which
// statement wrote each pixel. The run is kept as steps (a statement carried
// out; a repeat's body counts once per round, each time as its own
// statements) with snapshots of the module along the way, so the screen
// after any step is a short replay away, and a script edited and rendered
// again starts from the last snapshot the edit left alone.
//
// Statements are numbered in text order, a repeat before its body; waits,
// expectations and repeats are statements too, and draw nothing.
class ScreenRender
{
public:
    // Runs stop here; what follows is neither shown nor checked.
    static constexpr int stepLimit = 1000000;

    explicit ScreenRender(RenderContext context = {});
    ~ScreenRender();
    ScreenRender(const ScreenRender &) = delete;
    ScreenRender &operator=(const ScreenRender &) = delete;

    // Renders again from the start in another context.
    void setContext(const RenderContext &context);
    const RenderContext &context() const { return where; }

    // Parses `text` (SD_FILE_WRITE's files found from `baseDir`) and renders
    // what of it can run: all of it, or with errors the statements before
    // the first line in error. A repeat that cut leaves open runs one round.
    void setText(const QString &text, const QString &baseDir = {}, bool extendedAtStart = false);
    // Renders a parsed script as it is.
    void setScript(const script::Script &script, bool extendedAtStart = false);
    // Renders from the start, reading the card and the lists' files afresh.
    void refresh();

    // The parse's errors, in text order; empty when the whole script ran.
    const QVector<script::ScriptError> &errors() const { return parseErrors; }
    const script::Script &script() const { return rendered; }

    int statementCount() const { return int(statements.size()); }
    const script::Statement &statement(int index) const;
    script::SourcePos position(int index) const { return statement(index).pos; }
    // The statement that starts on `line`, or -1.
    int statementAtLine(int line) const;

    int stepCount() const { return int(steps.size()); }
    int statementOfStep(int step) const { return steps.at(step).statement; }
    // The statement the run stopped before at stepLimit, or -1.
    int cutBefore() const { return cut; }
    // Steps up to where the run first goes past `line`: the screen "after
    // line N" of a run that has not yet reached anything below it.
    int stepsThrough(int line) const;

    RenderedScreen screen() const { return RenderedScreen(ending.state, stepCount()); }
    // The screen after the first `steps` steps (0: as the module started).
    RenderedScreen screenAfter(int steps) const;
    // The panel pixels `statement` wrote in the first `steps` steps (all
    // when -1), as one box: what selecting it outlines. Empty when none.
    QRect drawnBy(int statement, int steps = -1) const;
    // The panel pixels one step wrote, as one box.
    QRect writtenInStep(int step) const { return steps.at(step).written; }
    // The pen as `step` began; stepCount() gives it after the last step.
    Pen penBefore(int step) const;
    bool extendedAtStart() const { return startsExtended; }
    // The mode `step` ran in.
    bool extendedIn(int step) const { return steps.at(step).extended; }
    // The report of a press at a panel point after `steps` steps (all when
    // -1). The run itself is left as it is.
    TouchReport press(QPoint panelPoint, int steps = -1) const;

    const QVector<StepNote> &notes() const { return stepNotes; }

private:
    struct Step
    {
        int statement = 0;
        bool extended = false;
        QRect written; // panel pixels
        Pen pen;       // before it
    };
    struct Snapshot
    {
        int steps = 0;
        vxsim::Module::State state;
        QMap<int, int> buttonStatements; // which statement defined each button
    };

    void render(const script::Script &script, bool extendedAtStart);
    int sharedSteps(const StepPlan &plan, const QVector<StatementRef> &before) const;
    const Snapshot &snapshotAtOrBefore(int steps) const;
    void runFrom(const StepPlan &plan, int shared);
    void keepSnapshot(Snapshot &&snapshot);
    void runStep(vxsim::Module &module, const PlannedStep &planned,
                 QMap<int, int> &buttonStatements);
    void noteButton(const vxsim::Module &module, int statement, QMap<int, int> &buttonStatements);
    std::unique_ptr<vxsim::Module> startModule() const;
    std::unique_ptr<vxsim::Module> moduleAt(int steps) const;

    RenderContext where;
    script::Script rendered;
    QVector<script::ScriptError> parseErrors;
    bool startsExtended = false;
    bool fresh = true; // nothing of the last run may be kept

    QVector<StatementRef> statements;
    QVector<Step> steps;
    QVector<StepNote> stepNotes;
    QVector<Snapshot> snapshots; // by steps, the first at 0
    int snapshotSpacing = 0;
    Snapshot ending; // after the last step
    int cut = -1;
    QByteArray scratch;
};

} // namespace preview

#endif // PREVIEW_SCREENRENDER_H

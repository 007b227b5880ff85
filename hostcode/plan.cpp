#include "hostcode/plan.h"

#include "commands/replydecoder.h"
#include "hostcode/replychecks.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QScopedValueRollback>
#include <QSet>

#include <algorithm>
#include <optional>

namespace hostcode {

bool Check::operator==(const Check &other) const
{
    return kind == other.kind && bytes == other.bytes && length == other.length && x == other.x &&
           y == other.y;
}

bool Step::operator==(const Step &other) const
{
    return kind == other.kind && line == other.line && bytes == other.bytes && ms == other.ms &&
           check == other.check && count == other.count && laterRounds == other.laterRounds &&
           body == other.body && screen == other.screen;
}

namespace {

using script::ScriptError;
using script::SourcePos;
using script::Statement;

// Where the module stands at a point of the run, as far as the code needs:
// the mode decides how wide a Y goes out, the armed command how a reply
// reads.
struct State
{
    bool extended = false;
    std::optional<Command> armed;

    bool operator==(const State &other) const
    {
        return extended == other.extended && armed == other.armed;
    }
};

int statementsIn(const QVector<Statement> &list)
{
    int count = 0;
    for (const Statement &statement : list)
        count += 1 + statementsIn(statement.body);
    return count;
}

// The run of bytes at the end of `out`, begun when there is none.
Step &writeRun(QVector<Step> &out, int line)
{
    if (out.isEmpty() || out.last().kind != Step::Kind::Write) {
        Step run;
        run.kind = Step::Kind::Write;
        run.line = line;
        out.append(run);
    }
    return out.last();
}

// Appends `steps` to `out`, a leading run of bytes joining the one before it.
void splice(QVector<Step> &out, const QVector<Step> &steps)
{
    for (int i = 0; i < steps.size(); ++i) {
        const Step &step = steps.at(i);
        if (i > 0 || step.kind != Step::Kind::Write || out.isEmpty() ||
            out.last().kind != Step::Kind::Write) {
            out.append(step);
            continue;
        }
        Step &run = out.last();
        for (Piece piece : step.pieces) {
            piece.from += run.bytes.size();
            run.pieces.append(piece);
        }
        run.bytes += step.bytes;
    }
}

class Planner
{
public:
    explicit Planner(int statements) : visitsLeft(64 * qint64(statements) + 65536) {}

    void plan(const QVector<Statement> &list, State &state, QVector<Step> &out);
    PlanResult result(QVector<Step> steps);

private:
    void command(const Statement &statement, State &state, QVector<Step> &out);
    void sendFile(const Statement &statement, State &state, QVector<Step> &out);
    void raw(const Statement &statement, QVector<Step> &out);
    void wait(const Statement &statement, QVector<Step> &out);
    void expect(const Statement &statement, State &state, QVector<Step> &out);
    void repeat(const Statement &statement, State &state, QVector<Step> &out);
    void screen(const Statement &statement, State &state, QVector<Step> &out);
    void appendLoop(const Statement &statement, int count, bool laterRounds,
                    const QVector<Step> &body, QVector<Step> &out);
    std::optional<QByteArray> localFile(const Statement &statement);
    void noteButton(const Statement &statement);
    void fail(const SourcePos &pos, const QString &message);

    QVector<ScriptError> errors;
    QSet<int> linesInError; // one error a line, as the parser gives
    QString roundsNote;     // said of errors found only in a repeat's later rounds
    bool tooDeep = false;
    // Planning a body again for its later rounds may not multiply without
    // bound through nested repeats: this many statements are planned at most.
    qint64 visitsLeft;
    QVector<Button> buttons;
    QSet<int> buttonNumbers;
    QVector<Button> namedButtons;
    QSet<int> namedButtonLines; // a repeat's body may be planned twice
    QVector<Screen> screens;
    int currentScreen = -1;           // the index of the screen being planned
    QHash<QString, QByteArray> files; // each local file read once, even in a repeat
};

void Planner::plan(const QVector<Statement> &list, State &state, QVector<Step> &out)
{
    for (const Statement &statement : list) {
        --visitsLeft;
        switch (statement.kind) {
        case Statement::Kind::Command:
            command(statement, state, out);
            break;
        case Statement::Kind::SendFile:
            sendFile(statement, state, out);
            break;
        case Statement::Kind::Raw:
            raw(statement, out);
            break;
        case Statement::Kind::Wait:
            wait(statement, out);
            break;
        case Statement::Kind::Expect:
            expect(statement, state, out);
            break;
        case Statement::Kind::Repeat:
            repeat(statement, state, out);
            break;
        }
    }
}

void Planner::command(const Statement &statement, State &state, QVector<Step> &out)
{
    Step &run = writeRun(out, statement.pos.line);
    const int from = run.bytes.size();
    appendCommandBytes(run.bytes, statement.command, statement.values, statement.text,
                       state.extended);
    run.pieces.append(
        Piece{statement.pos.line, statement.source, from, int(run.bytes.size()) - from});
    if (spec(statement.command).has(ArmsReply))
        state.armed = statement.command;
    state.extended = modeAfter(statement, state.extended);
    if (statement.command == Command::ButtonDef)
        noteButton(statement);
}

// The head with the file's size as it is now, then the file: the bytes the
// runner would send if the file stayed as it is.
void Planner::sendFile(const Statement &statement, State &state, QVector<Step> &out)
{
    const std::optional<QByteArray> data = localFile(statement);
    if (!data)
        return;
    const QByteArray head = script::sendFileHead(statement, data->size());
    Step &run = writeRun(out, statement.pos.line);
    run.pieces.append(Piece{statement.pos.line, statement.source, int(run.bytes.size()),
                            int(head.size() + data->size()), int(data->size())});
    run.bytes += head;
    run.bytes += *data;
    state.armed = Command::SdFileWrite;
}

std::optional<QByteArray> Planner::localFile(const Statement &statement)
{
    const auto cached = files.constFind(statement.filePath);
    if (cached != files.constEnd())
        return *cached;
    QFile file(statement.filePath);
    if (!file.open(QIODevice::ReadOnly)) {
        fail(statement.pos,
             QStringLiteral("cannot read %1: %2").arg(statement.filePath, file.errorString()));
        return std::nullopt;
    }
    if (file.size() > largestEmbeddedFile) {
        fail(statement.pos, QStringLiteral("%1 is %2 bytes; the code embeds local files of up "
                                           "to 1 MiB (%3 bytes)")
                                .arg(QFileInfo(statement.filePath).fileName())
                                .arg(file.size())
                                .arg(largestEmbeddedFile));
        return std::nullopt;
    }
    const QByteArray data = file.readAll();
    files.insert(statement.filePath, data);
    return data;
}

// Raw bytes arm nothing and leave the mode, as in the runner.
void Planner::raw(const Statement &statement, QVector<Step> &out)
{
    Step &run = writeRun(out, statement.pos.line);
    run.pieces.append(Piece{statement.pos.line, statement.source, int(run.bytes.size()),
                            int(statement.bytes.size())});
    run.bytes += statement.bytes;
}

// `wait 0ms` only lets the line drain, which every write in the code does.
void Planner::wait(const Statement &statement, QVector<Step> &out)
{
    if (statement.waitMs <= 0)
        return;
    Step step;
    step.kind = Step::Kind::Wait;
    step.line = statement.pos.line;
    step.source = statement.source;
    step.ms = statement.waitMs;
    out.append(step);
}

void Planner::expect(const Statement &statement, State &state, QVector<Step> &out)
{
    Step step;
    step.kind = Step::Kind::Expect;
    step.line = statement.pos.line;
    step.source = statement.source;
    step.ms = statement.withinMs;
    if (statement.reply) {
        QString why;
        const std::optional<Check> check = replyCheck(*statement.reply, state.armed, why);
        if (!check) {
            fail(statement.pos, QStringLiteral("expect %1 cannot be met here: %2")
                                    .arg(script::describe(*statement.reply), why));
            return;
        }
        step.check = *check;
    } else {
        step.check.bytes = statement.bytes;
        step.check.length = statement.bytes.size();
    }
    // The reply read here is the armed command's answer, which disarms the
    // reader unless it leaves that command armed.
    if (state.armed && answerTo(*state.armed).kind != AnswerKind::KeptArmed)
        state.armed.reset();
    out.append(step);
}

// A body's first round may run in another mode, or read replies against
// another command, than the rounds after it; those all start where the
// first ended, as the mode and the armed command after a body depend on the
// body alone once it has run. A body whose rounds differ is written out
// once for the first round and looped for the rest.
void Planner::repeat(const Statement &statement, State &state, QVector<Step> &out)
{
    if (statement.isScreen()) {
        screen(statement, state, out);
        return;
    }
    if (statement.count <= 0 || statement.body.isEmpty())
        return;
    if (visitsLeft < 0) {
        if (!tooDeep)
            fail(statement.pos, QStringLiteral("too many nested repeats start their rounds in "
                                               "another mode, or awaiting another reply, than "
                                               "their first; move the mode statements and the "
                                               "commands awaiting replies out of the inner ones"));
        tooDeep = true;
        return;
    }
    const State entry = state;
    QVector<Step> first;
    plan(statement.body, state, first);
    if (statement.count == 1) {
        splice(out, first);
        return;
    }
    if (state == entry) { // every round as the first
        appendLoop(statement, statement.count, false, first, out);
        return;
    }
    QVector<Step> later;
    {
        const QScopedValueRollback<QString> note(
            roundsNote,
            QStringLiteral(" (as the repeat at line %1 goes round again)").arg(statement.pos.line));
        plan(statement.body, state, later);
    }
    if (first == later) {
        appendLoop(statement, statement.count, false, first, out);
        return;
    }
    splice(out, first);
    if (statement.count == 2)
        splice(out, later);
    else
        appendLoop(statement, statement.count - 1, true, later, out);
}

// A screen runs once, at the top level: its steps are planned in the state
// the run reaches it in, and the run calls the screen's function, so its
// bytes stand once in the code.
void Planner::screen(const Statement &statement, State &state, QVector<Step> &out)
{
    Screen drawn;
    drawn.name = statement.name;
    drawn.namePos = statement.namePos;
    drawn.extendedAtStart = state.extended;
    screens.append(drawn);
    const int index = screens.size() - 1;
    const QScopedValueRollback<int> inside(currentScreen, index);
    QVector<Step> steps;
    plan(statement.body, state, steps);
    screens[index].steps = std::move(steps);

    Step draw;
    draw.kind = Step::Kind::Draw;
    draw.line = statement.pos.line;
    draw.source = statement.source;
    draw.screen = index;
    out.append(draw);
}

void Planner::appendLoop(const Statement &statement, int count, bool laterRounds,
                         const QVector<Step> &body, QVector<Step> &out)
{
    if (body.isEmpty())
        return;
    Step loop;
    loop.kind = Step::Kind::Loop;
    loop.line = statement.pos.line;
    loop.source = statement.source;
    loop.count = count;
    loop.laterRounds = laterRounds;
    loop.body = body;
    out.append(loop);
}

void Planner::noteButton(const Statement &statement)
{
    const ArgValues &values = statement.values;
    Button button{int(values.value(0)), int(values.value(5)), int(values.value(6)),
                  int(values.value(7)), int(values.value(8)), statement.pos,
                  statement.name};
    if (!button.name.isEmpty()) {
        if (namedButtonLines.contains(statement.namePos.line))
            return;
        namedButtonLines.insert(statement.namePos.line);
        button.pos = statement.namePos;
        (currentScreen >= 0 ? screens[currentScreen].buttons : namedButtons).append(button);
        return;
    }
    if (buttonNumbers.contains(button.number))
        return;
    buttonNumbers.insert(button.number);
    buttons.append(button);
}

void Planner::fail(const SourcePos &pos, const QString &message)
{
    if (linesInError.contains(pos.line))
        return;
    linesInError.insert(pos.line);
    errors.append(ScriptError{pos, message + roundsNote});
}

PlanResult Planner::result(QVector<Step> steps)
{
    PlanResult result;
    std::stable_sort(errors.begin(), errors.end(), [](const ScriptError &a, const ScriptError &b) {
        return a.pos.line < b.pos.line;
    });
    result.errors = errors;
    if (!result.ok())
        return result;
    std::sort(buttons.begin(), buttons.end(),
              [](const Button &a, const Button &b) { return a.number < b.number; });
    result.plan.steps = std::move(steps);
    result.plan.buttons = buttons;
    result.plan.namedButtons = namedButtons;
    result.plan.screens = screens;
    return result;
}

} // namespace

PlanResult planScript(const script::Script &script, bool extendedAtStart)
{
    Planner planner(statementsIn(script.statements));
    State state;
    state.extended = extendedAtStart;
    QVector<Step> steps;
    planner.plan(script.statements, state, steps);
    return planner.result(std::move(steps));
}

} // namespace hostcode

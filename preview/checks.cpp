#include "preview/checks.h"

#include "preview/screenrender.h"

#include <QSet>

#include <algorithm>

namespace preview {

namespace {

using script::SourcePos;
using script::Statement;

QString counted(int count, const char *one, const char *many)
{
    return QStringLiteral("%1 %2").arg(count).arg(QLatin1String(count == 1 ? one : many));
}

bool isCommand(const Statement &statement, Command command)
{
    return statement.kind == Statement::Kind::Command && statement.command == command;
}

SourcePos valuePos(const Statement &statement, int index)
{
    return statement.valuePos.value(index, statement.pos);
}

class Checker
{
public:
    explicit Checker(const ScreenRender &render) : render(render) {}

    QVector<Finding> findings;

    void parseErrors();
    void listsAndCard();
    void notes();
    void cutShort();

private:
    void warn(SourcePos pos, const QString &message)
    {
        findings.append(Finding{Finding::Severity::Warning, pos, message});
    }
    void checkImage(const Statement &statement, int valueIndex, const char *what);
    void checkStatement(const Statement &statement);
    QString offScreen(const Statement &statement, bool drewAnything) const;
    bool firstTime(int statement, StepNote::Kind kind, qint64 detail);
    void note(const StepNote &note);

    using Key = QPair<int, QPair<int, qint64>>; // statement, note kind and detail
    const ScreenRender &render;
    QSet<Key> named;
};

void Checker::parseErrors()
{
    for (const script::ScriptError &error : render.errors())
        findings.append(Finding{Finding::Severity::Error, error.pos, error.message});
}

void Checker::checkImage(const Statement &statement, int valueIndex, const char *what)
{
    const int image = int(statement.values.value(valueIndex));
    const int listed = render.context().imageCount();
    if (image >= listed)
        warn(valuePos(statement, valueIndex),
             QStringLiteral("%1 %2 is not in the image list (it has %3)")
                 .arg(QLatin1String(what))
                 .arg(image)
                 .arg(counted(listed, "image", "images")));
}

void Checker::checkStatement(const Statement &statement)
{
    const RenderContext &context = render.context();
    if (context.hasLists()) {
        if (isCommand(statement, Command::SelectFont) &&
            statement.values.value(0) >= context.fontCount())
            warn(valuePos(statement, 0),
                 QStringLiteral("font %1 is not in the font list (it has %2)")
                     .arg(statement.values.value(0))
                     .arg(counted(context.fontCount(), "font", "fonts")));
        if (isCommand(statement, Command::PutSfIcon))
            checkImage(statement, 0, "image");
        if (isCommand(statement, Command::ButtonDef)) {
            for (int index : {2, 3, 4}) // the up, down and disabled images
                checkImage(statement, index, "button image");
        }
    }
    if (!context.cardFolder().isEmpty() && isCommand(statement, Command::SdPutIcon) &&
        !context.cardHas(statement.text))
        warn(statement.pos, QStringLiteral("the card folder has no %1")
                                .arg(QString::fromLocal8Bit(statement.text)));
}

void Checker::listsAndCard()
{
    for (int i = 0; i < render.statementCount(); ++i)
        checkStatement(render.statement(i));
}

QString Checker::offScreen(const Statement &statement, bool drewAnything) const
{
    if (isCommand(statement, Command::PrintString) || isCommand(statement, Command::PrintStringBg))
        return drewAnything ? QStringLiteral("the text runs off the screen")
                            : QStringLiteral("the text lies off the screen: none of it shows");
    if (isCommand(statement, Command::ButtonDef))
        return QStringLiteral("button %1 reaches past the edge of the screen")
            .arg(statement.values.value(0));
    if (isCommand(statement, Command::SdPutIcon) || isCommand(statement, Command::PutSfIcon))
        return drewAnything ? QStringLiteral("the image reaches past the edge of the screen")
                            : QStringLiteral("the image lies off the screen: none of it shows");
    return drewAnything ? QStringLiteral("drawing falls outside the screen")
                        : QStringLiteral("drawing lies off the screen: none of it shows");
}

bool Checker::firstTime(int statement, StepNote::Kind kind, qint64 detail)
{
    const Key key{statement, {int(kind), detail}};
    if (named.contains(key))
        return false;
    named.insert(key);
    return true;
}

void Checker::note(const StepNote &note)
{
    const int index = render.statementOfStep(note.step);
    // Overlaps are told apart by the button covered; the rest by kind alone.
    const qint64 detail = note.kind == StepNote::Kind::Overlap ? note.count : 0;
    if (!firstTime(index, note.kind, detail))
        return;
    const Statement &statement = render.statement(index);
    switch (note.kind) {
    case StepNote::Kind::OffScreen:
        warn(statement.pos, offScreen(statement, !render.writtenInStep(note.step).isEmpty()));
        break;
    case StepNote::Kind::Skipped:
        warn(statement.pos, QStringLiteral("the module skips %1 it reads as no command")
                                .arg(counted(int(note.count), "byte", "bytes")));
        break;
    case StepNote::Kind::Overlap: {
        const QString definedAt =
            note.other < 0 ? QString()
                           : QStringLiteral(" (line %1)").arg(render.position(note.other).line);
        warn(statement.pos, QStringLiteral("button %1 overlaps button %2%3")
                                .arg(statement.values.value(0))
                                .arg(note.count)
                                .arg(definedAt));
        break;
    }
    }
}

void Checker::notes()
{
    for (const StepNote &stepNote : render.notes())
        note(stepNote);
}

void Checker::cutShort()
{
    if (render.cutBefore() < 0)
        return;
    warn(render.position(render.cutBefore()),
         QStringLiteral("the preview stops after %1 statements run: from here on nothing is "
                        "shown or checked")
             .arg(ScreenRender::stepLimit));
}

} // namespace

QVector<Finding> findingsOf(const ScreenRender &render)
{
    Checker checker(render);
    checker.parseErrors();
    checker.listsAndCard();
    checker.notes();
    checker.cutShort();
    std::stable_sort(
        checker.findings.begin(), checker.findings.end(), [](const Finding &a, const Finding &b) {
            return std::pair(a.pos.line, a.pos.column) < std::pair(b.pos.line, b.pos.column);
        });
    return checker.findings;
}

QString severityWord(Finding::Severity severity)
{
    return severity == Finding::Severity::Error ? QStringLiteral("error")
                                                : QStringLiteral("warning");
}

} // namespace preview

#include "hostcode/screennames.h"

#include "hostcode/names.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <tuple>

namespace hostcode {

namespace {

// A name the code gives, and what in which script it stands for.
struct Given
{
    int script = 0; // index in the scripts
    script::SourcePos pos;
    QString what; // `screen "Main"`, `button "Start"`, `button 3`
    QString identifier;
};

QString buttonTitle(const Button &button)
{
    return button.name.isEmpty() ? QStringLiteral("button %1").arg(button.number)
                                 : QStringLiteral("button \"%1\"").arg(button.name);
}

// Named buttons give their constants and the enumeration that holds them;
// the enumeration is given where its first button, or its screen, stands.
void giveNamedButtons(QVector<Given> &given, int script, const QString &part,
                      const QVector<Button> &buttons, const Given &owner)
{
    if (buttons.isEmpty())
        return;
    given.append(Given{script, owner.pos, owner.what, buttonEnumeration(part)});
    for (const Button &button : buttons)
        given.append(
            Given{script, button.pos, buttonTitle(button), namedButtonConstant(part, button.name)});
}

QVector<Given> namesGiven(QVector<ScriptCode> &scripts, Language language)
{
    QVector<Given> given;
    for (int i = 0; i < scripts.size(); ++i) {
        ScriptCode &code = scripts[i];
        for (const Button &button : code.plan.buttons)
            given.append(Given{i, button.pos, buttonTitle(button),
                               buttonConstant(code.part, button.number)});
        const QVector<Button> &outside = code.plan.namedButtons;
        if (!outside.isEmpty())
            giveNamedButtons(given, i, code.part, outside,
                             Given{i, outside.first().pos, buttonTitle(outside.first()), {}});
        code.screenParts.clear();
        for (const Screen &screen : code.plan.screens) {
            const QString part = identifierPart(screen.name, QStringLiteral("screen"));
            code.screenParts.append(part);
            const Given drawing{i, screen.namePos, screenTitle(screen),
                                drawFunction(part, language)};
            given.append(drawing);
            giveNamedButtons(given, i, part, screen.buttons, drawing);
        }
    }
    std::stable_sort(given.begin(), given.end(), [](const Given &a, const Given &b) {
        return std::make_tuple(a.script, a.pos.line, a.pos.column) <
               std::make_tuple(b.script, b.pos.line, b.pos.column);
    });
    return given;
}

} // namespace

QVector<ExportProblem> nameScreens(QVector<ScriptCode> &scripts, Language language)
{
    QVector<ExportProblem> problems;
    QHash<QString, Given> first;        // by identifier
    QSet<QPair<int, int>> linesInError; // one problem a line, by script and line
    for (const Given &given : namesGiven(scripts, language)) {
        const auto earlier = first.constFind(given.identifier);
        if (earlier == first.constEnd()) {
            first.insert(given.identifier, given);
            continue;
        }
        if (linesInError.contains({given.script, given.pos.line}))
            continue;
        linesInError.insert({given.script, given.pos.line});
        QString where = QStringLiteral("line %1").arg(earlier->pos.line);
        if (earlier->script != given.script)
            where += QStringLiteral(" of %1").arg(scripts.at(earlier->script).title);
        problems.append(
            ExportProblem{scripts.at(given.script).title, given.pos,
                          QStringLiteral("%1 gives %2 in the code, as does %3 at %4: "
                                         "rename one")
                              .arg(given.what, given.identifier, earlier->what, where)});
    }
    return problems;
}

} // namespace hostcode

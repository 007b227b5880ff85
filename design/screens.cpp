#include "design/screens.h"

namespace design {

QVector<ScreenBlock> screensOf(const script::Script &script)
{
    QVector<ScreenBlock> screens;
    for (const script::Statement &statement : script.statements) {
        if (statement.isScreen())
            screens.append(ScreenBlock{statement.name, statement.pos.line, statement.endLine});
    }
    return screens;
}

int screenAtLine(const QVector<ScreenBlock> &screens, int line)
{
    for (int i = 0; i < screens.size(); ++i) {
        const ScreenBlock &screen = screens.at(i);
        if (line >= screen.line && (screen.endLine == 0 || line <= screen.endLine))
            return i;
    }
    return -1;
}

} // namespace design

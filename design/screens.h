#ifndef DESIGN_SCREENS_H
#define DESIGN_SCREENS_H

#include "script/script.h"

#include <QString>
#include <QVector>

namespace design {

// A named screen of a script: `screen "Main"` on `line` ... `end` on `endLine`.
struct ScreenBlock
{
    QString name;
    int line = 0;
    int endLine = 0; // 0 when the text ends inside it
};

QVector<ScreenBlock> screensOf(const script::Script &script);
// The screen whose lines hold `line`, counting its `screen` and `end`
// lines; -1 outside every screen.
int screenAtLine(const QVector<ScreenBlock> &screens, int line);

} // namespace design

#endif // DESIGN_SCREENS_H

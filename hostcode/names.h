#ifndef HOSTCODE_NAMES_H
#define HOSTCODE_NAMES_H

#include "hostcode/hostcode.h"

#include <QString>
#include <QStringList>

namespace hostcode {

// Longest name part kept: C99 promises 31 significant characters in names
// seen by the linker, and the function's prefix takes some of them.
constexpr int longestNamePart = 20;

// The part of a function's name that stands for a script, from the name it
// goes by ("demos/1-drawing.vxscript", "Drawing tour"): the file's base name
// in lower case, every run of characters other than ASCII letters and
// digits one underscore, none at either end, at most longestNamePart long;
// "script" when nothing is left. It may start with a digit: the writers
// always put a prefix before it.
QString namePart(const QString &scriptName);

// The same for a screen's or a button's name, taken whole (a dot is no
// suffix there): "Main menu" is "main_menu"; `fallback` when nothing is left.
QString identifierPart(const QString &name, const QString &fallback);

// Name parts for `scriptNames`, in order, each unique: a part already taken
// gets "_2", "_3", ... (trimmed to fit), so two scripts whose names differ
// only in punctuation or case still get a function each.
QStringList uniqueNameParts(const QStringList &scriptNames);

// "VEXEL_PANEL_BUTTON_3": the constant for button 3 of the script whose
// name part is "panel". Unique while the parts are, as the number follows
// the last "_BUTTON_".
QString buttonConstant(const QString &part, int button);

// "VEXEL_MAIN_BUTTON_START": the constant for the button named "Start" on
// the screen whose name part is "main" (or of the script of that part,
// outside screens). Named buttons are gathered in buttonEnumeration(part).
QString namedButtonConstant(const QString &part, const QString &buttonName);
QString buttonEnumeration(const QString &part);

// The function that draws the screen of name part `part`: "vexel_draw_main",
// or "draw_main" in Python.
QString drawFunction(const QString &part, Language language);

} // namespace hostcode

#endif // HOSTCODE_NAMES_H

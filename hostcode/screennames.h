#ifndef HOSTCODE_SCREENNAMES_H
#define HOSTCODE_SCREENNAMES_H

#include "hostcode/writers.h"

namespace hostcode {

// Gives each screen of `scripts` its name part (ScriptCode::screenParts) and
// finds the names the code would give twice: two screens' functions over
// all the scripts exported together, two constants of the touch buttons,
// two enumerations of them. Each clash is one problem at the later of the
// two, naming the earlier. Screens keep their own names rather than being
// renamed after their script, so a screen's function is the same whatever
// else is exported with it.
QVector<ExportProblem> nameScreens(QVector<ScriptCode> &scripts, Language language);

} // namespace hostcode

#endif // HOSTCODE_SCREENNAMES_H

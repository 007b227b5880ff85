#ifndef PREVIEW_RUNNABLEPART_H
#define PREVIEW_RUNNABLEPART_H

#include "script/script.h"

#include <QString>
#include <QVector>

namespace preview {

// What of a script can be shown while it has errors.
struct RunnablePart
{
    script::Script script;               // the statements that can run
    QVector<script::ScriptError> errors; // of the whole text, as the parser gives them
};

// The whole script when it parses; otherwise the statements on the lines
// before the first error. A repeat the cut leaves open runs one round, as
// far as its body is written: the run stops where the error is. A repeat
// the text itself ends inside runs its rounds as if its `end` followed:
// the lines are right so far, and its `end` is likely still being written.
RunnablePart runnablePart(const QString &text, const QString &baseDir = {},
                          bool extendedAtStart = false);

} // namespace preview

#endif // PREVIEW_RUNNABLEPART_H

#ifndef PREVIEW_CHECKS_H
#define PREVIEW_CHECKS_H

#include "script/script.h"

#include <QString>
#include <QVector>

namespace preview {

class ScreenRender;

// Something a check found in a script, at the place it names.
struct Finding
{
    enum class Severity
    {
        Warning,
        Error,
    };

    Severity severity = Severity::Warning;
    script::SourcePos pos;
    QString message;
};

// Everything worth a look in the script `render` last took, in text order:
// the parser's errors, and as warnings:
// - drawing that falls outside the screen, text that runs off it, and
//   buttons or images reaching past it: points the module dropped;
// - a font or image number that the lists lack (when the context has lists);
// - a file that the card folder lacks (when the context has a folder);
// - a touch button defined over another;
// - bytes the module reads as no command;
// - a run cut short at ScreenRender::stepLimit.
// Each statement is named once for each kind, at its first run; buttons and
// images in `send` bytes are not looked into.
QVector<Finding> findingsOf(const ScreenRender &render);

// "warning" or "error".
QString severityWord(Finding::Severity severity);

} // namespace preview

#endif // PREVIEW_CHECKS_H

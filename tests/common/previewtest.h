#ifndef PREVIEWTEST_H
#define PREVIEWTEST_H

#include "common/windowtest.h"
#include "ui/previewpane.h"
#include "ui/scripteditor.h"

#include <QSignalSpy>

// Puts `text` in the Demos page's editor, as if typed, and waits for the
// preview to draw it; false when it never does.
inline bool showScriptIn(const BenchWindow &bench, const QString &text)
{
    QSignalSpy rendered(bench.get<PreviewPane>("scriptPreview"), &PreviewPane::rendered);
    bench.get<ScriptEditor>("scriptEditor")->setPlainText(text);
    return rendered.wait(2000);
}

#endif // PREVIEWTEST_H

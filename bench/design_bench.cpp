// A drag in the designer: the Demos page with a 2,000-statement drawing
// script, a filled box on top of it dragged across the preview one pixel a
// frame. Each frame is the mouse move, the edit of the editor's text, the
// render from the snapshot before the edited statement, the checks, and the
// preview painted; the same page hovered (the pixel readout and the rulers,
// no edit) is the comparison measured in the same run. Run by
// scripts/bench.sh, not a test.
#include "benchscripts.h"
#include "benchsupport.h"
#include "windowsupport.h"

#include "ui/designcanvas.h"
#include "ui/previewpane.h"
#include "ui/scripteditor.h"
#include "ui/scriptpage.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QTextBlock>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int statements = 2000;
constexpr int frames = 120;
constexpr double frameAllowedMs = 16; // 60 frames a second

// The box dragged: drawn last, so it is on top of everything else.
const char *const draggedBox = "SetColorH #ffffff\nSetXHY 100 100\nboxHFill 139 129\n";
// The background resized: drawn first, so every statement draws after it,
// and as large as the screen, so some of it still shows.
const char *const background = "SetColorH #203040\nSetXHY 0 0\nboxHFill 319 239\n";

void sendMouse(QWidget *canvas, QEvent::Type type, QPoint at, Qt::MouseButtons buttons)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, at, canvas->mapToGlobal(at), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(canvas, &event);
}

class Frames
{
public:
    Frames(PreviewPane *pane, DesignCanvas *canvas, QTextDocument *document)
        : pane(pane), canvas(canvas), document(document)
    {
        QObject::connect(pane, &PreviewPane::rendered, [this] { ++renders; });
    }

    // One frame: the event, the render its edit asks for, the paint. A move
    // that snaps where the last one did edits nothing, and renders nothing.
    double frame(QPoint at, Qt::MouseButtons buttons)
    {
        QElapsedTimer clock;
        clock.start();
        const int before = renders;
        const int revision = document->revision();
        sendMouse(canvas, QEvent::MouseMove, at, buttons);
        while (document->revision() != revision && renders == before)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QCoreApplication::processEvents();
        canvas->repaint();
        return double(clock.nsecsElapsed()) / 1e6;
    }

    void waitForRender()
    {
        const int before = renders;
        while (renders == before)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }

private:
    PreviewPane *pane;
    DesignCanvas *canvas;
    QTextDocument *document;
    int renders = 0;
};

QPoint widgetPoint(const DesignCanvas *canvas, QPoint pixel)
{
    return canvas->widgetRect(QRect(pixel, QSize(1, 1))).center().toPoint();
}

struct DragRun
{
    QVector<double> frameMs;
    bool edited = false;
    bool undone = false;
};

// `text` in the editor, the cursor on line `line` (its shape selected),
// then a drag of `frames` moves from `start`, a module pixel: the body of
// the shape there, or the selection's first handle when `byHandle`.
DragRun drag(ScriptEditor *editor, DesignCanvas *canvas, Frames &timing, const QString &text,
             int line, QPoint start, bool byHandle)
{
    editor->setPlainText(text);
    timing.waitForRender();
    editor->setTextCursor(QTextCursor(editor->document()->findBlockByNumber(line - 1)));
    QCoreApplication::processEvents();
    if (byHandle) {
        if (canvas->handles().isEmpty())
            qFatal("the shape on line %d shows no handles", line);
        start = canvas->handles().first();
    }
    DragRun run;
    sendMouse(canvas, QEvent::MouseButtonPress, widgetPoint(canvas, start), Qt::LeftButton);
    for (int i = 1; i <= frames; ++i)
        run.frameMs << timing.frame(widgetPoint(canvas, start + QPoint(i % 60, i / 2 % 40)),
                                    Qt::LeftButton);
    sendMouse(canvas, QEvent::MouseButtonRelease, widgetPoint(canvas, start + QPoint(1, 0)),
              Qt::NoButton);
    run.edited = editor->toPlainText() != text;
    editor->document()->undo();
    run.undone = editor->toPlainText() == text;
    return run;
}

bool report(const char *what, const DragRun &run, double hoverMs)
{
    const double medianMs = median(run.frameMs);
    const bool met = medianMs <= frameAllowedMs && run.edited && run.undone;
    std::printf("  %s: median %.2f ms, 90th percentile %.2f ms, slowest %.2f ms (target median "
                "at most %.0f ms) %s; drag / hover %.1f x; edited %s, one undo restored it %s\n",
                what, medianMs, percentile(run.frameMs, 0.9), percentile(run.frameMs, 1.0),
                frameAllowedMs, met ? "met" : "MISSED", medianMs / hoverMs,
                run.edited ? "yes" : "NO", run.undone ? "yes" : "NO");
    return met;
}

} // namespace

int main(int argc, char **argv)
{
    preferOffscreen();
    QApplication app(argc, argv);
    silenceDebugOutput();

    ScriptPageHooks hooks;
    hooks.portOpen = [] { return false; };
    hooks.extendedMode = [] { return false; };
    hooks.showStatus = [](const QString &) {};
    ScriptPage page(hooks);
    page.resize(1600, 900);
    page.show();
    auto *editor = widget<ScriptEditor>(page, "scriptEditor");
    auto *pane = widget<PreviewPane>(page, "scriptPreview");
    auto *canvas = widget<DesignCanvas>(page, "previewScreen");
    Frames timing(pane, canvas, editor->document());

    // Hovered: the page answering the mouse without an edit.
    const QString drawing = drawingScript(statements);
    editor->setPlainText(drawing);
    timing.waitForRender();
    QVector<double> hoverMs;
    for (int i = 0; i < frames; ++i)
        hoverMs << timing.frame(widgetPoint(canvas, QPoint(110 + i % 60, 110)), Qt::NoButton);
    const double hover = median(hoverMs);

    // On top: the box drawn last, pressed inside, away from its handles.
    const QString last = drawing + QLatin1String(draggedBox);
    const DragRun onTop = drag(editor, canvas, timing, last, statements + 3, {120, 115}, false);
    // Underneath: the background drawn first, by its corner: every frame
    // renders all 2,000 statements after it again.
    const QString first = QLatin1String(background) + drawing;
    const DragRun underneath = drag(editor, canvas, timing, first, 3, {}, true);

    std::printf("Designer drag: filled boxes and a %d-statement drawing script, %d frames of "
                "a scripted drag on the Demos page (a frame: the move, the edit, the render, "
                "the checks, the paint)\n",
                statements, frames);
    const bool topMet = report("the box drawn last, moved", onTop, hover);
    const bool underMet =
        report("the background drawn first, resized by its corner", underneath, hover);
    std::printf("  for scale: a hover frame (pixel readout, rulers, paint): median %.2f ms\n",
                hover);
    return topMet && underMet ? 0 : 1;
}

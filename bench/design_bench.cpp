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

void sendMouse(QWidget *canvas, QEvent::Type type, QPoint at, Qt::MouseButtons buttons)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, at, canvas->mapToGlobal(at), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(canvas, &event);
}

class Frames
{
public:
    Frames(PreviewPane *pane, DesignCanvas *canvas) : pane(pane), canvas(canvas)
    {
        QObject::connect(pane, &PreviewPane::rendered, [this] { ++renders; });
    }

    // One frame: the event, the render it asks for, the paint.
    double frame(QPoint at, Qt::MouseButtons buttons, bool waitForRender)
    {
        QElapsedTimer clock;
        clock.start();
        const int before = renders;
        sendMouse(canvas, QEvent::MouseMove, at, buttons);
        while (waitForRender && renders == before)
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
    int renders = 0;
};

QPoint widgetPoint(const DesignCanvas *canvas, QPoint pixel)
{
    return canvas->widgetRect(QRect(pixel, QSize(1, 1))).center().toPoint();
}

double percentile(QVector<double> values, double share)
{
    std::sort(values.begin(), values.end());
    return values.at(std::min(int(values.size()) - 1, int(share * values.size())));
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
    Frames timing(pane, canvas);

    const QString text = drawingScript(statements) + QLatin1String(draggedBox);
    editor->setPlainText(text);
    timing.waitForRender();
    const int boxLine = editor->document()->blockCount() - 1;
    QTextCursor cursor(editor->document()->findBlockByNumber(boxLine - 1));
    editor->setTextCursor(cursor);
    QCoreApplication::processEvents();

    // Hovered: the page answering the mouse without an edit.
    QVector<double> hoverMs;
    for (int i = 0; i < frames; ++i)
        hoverMs << timing.frame(widgetPoint(canvas, QPoint(110 + i % 60, 110)), Qt::NoButton,
                                false);

    // Dragged: pressed inside the box, away from its handles.
    const QPoint start(120, 115);
    sendMouse(canvas, QEvent::MouseButtonPress, widgetPoint(canvas, start), Qt::LeftButton);
    QVector<double> dragMs;
    for (int i = 1; i <= frames; ++i)
        dragMs << timing.frame(widgetPoint(canvas, start + QPoint(i % 60, i / 2 % 40)),
                               Qt::LeftButton, true);
    sendMouse(canvas, QEvent::MouseButtonRelease, widgetPoint(canvas, start + QPoint(1, 0)),
              Qt::NoButton);
    const bool edited = editor->toPlainText() != text;
    editor->document()->undo();
    const bool undone = editor->toPlainText() == text;

    const double medianMs = median(dragMs);
    const bool met = medianMs <= frameAllowedMs && edited && undone;
    std::printf("Designer drag: a filled box over a %d-statement drawing script, %d frames of "
                "a scripted drag on the Demos page\n",
                statements, frames);
    std::printf("  drag frame (move, edit, render, checks, paint): median %.2f ms, 90th "
                "percentile %.2f ms, slowest %.2f ms (target median at most %.0f ms) %s\n",
                medianMs, percentile(dragMs, 0.9), percentile(dragMs, 1.0), frameAllowedMs,
                met ? "met" : "MISSED");
    std::printf("  for scale: a hover frame (pixel readout, rulers, paint): median %.2f ms; "
                "drag / hover %.1f x\n",
                median(hoverMs), medianMs / median(hoverMs));
    std::printf("  the drag edited the text: %s; one undo restored it: %s\n", edited ? "yes" : "NO",
                undone ? "yes" : "NO");
    return met ? 0 : 1;
}

#ifndef FIRSTPAINT_H
#define FIRSTPAINT_H

#include <functional>

class QWidget;

// Runs `work` once, just after `window` is first painted: on the event loop's
// next turn, so that frame reaches the screen before the work starts. Work
// the first frame does not need goes here, so the window appears sooner.
//
// A window not shown by the loop's first turn (a test's, a benchmark's) runs
// the work then. One shown but not painted within a quarter of a second
// (opened on another desktop, say) runs it then, before anything that waits
// for it on a timer of half a second or more can notice.
void afterFirstPaint(QWidget *window, std::function<void()> work);

#endif // FIRSTPAINT_H

#include "ui/firstpaint.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>

namespace {

constexpr int unpaintedLimitMs = 250;

// Watches one window; a child of it, so the work dies with the window.
class FirstPaintWatch : public QObject
{
public:
    FirstPaintWatch(QWidget *window, std::function<void()> work)
        : QObject(window), window(window), work(std::move(work))
    {
        window->installEventFilter(this);
        QTimer::singleShot(0, this, [this] {
            if (!this->window->isVisible())
                run();
        });
        QTimer::singleShot(unpaintedLimitMs, this, &FirstPaintWatch::run);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == window && event->type() == QEvent::Paint) {
            window->removeEventFilter(this);
            // Queued: the rest of the window paints and the frame is flushed first.
            QTimer::singleShot(0, this, &FirstPaintWatch::run);
        }
        return false;
    }

private:
    void run()
    {
        if (done)
            return;
        done = true;
        window->removeEventFilter(this);
        work();
        deleteLater();
    }

    QWidget *window;
    std::function<void()> work;
    bool done = false;
};

} // namespace

void afterFirstPaint(QWidget *window, std::function<void()> work)
{
    new FirstPaintWatch(window, std::move(work));
}

#include "ui/paintthrottle.h"

#include <QWidget>

PaintThrottle::PaintThrottle(QWidget *widget, int intervalMs, QObject *parent)
    : QObject(parent), widget(widget)
{
    interval.setSingleShot(true);
    interval.setInterval(intervalMs);
    connect(&interval, &QTimer::timeout, this, &PaintThrottle::intervalEnded);
}

void PaintThrottle::changed()
{
    if (!interval.isActive()) {
        interval.start();
        return;
    }
    if (!held) {
        widget->setUpdatesEnabled(false);
        held = true;
    }
}

void PaintThrottle::intervalEnded()
{
    if (!held)
        return;
    held = false;
    widget->setUpdatesEnabled(true);
    // Painted now: a posted update would find updates off again when the
    // next change of a flood comes before it is delivered.
    widget->repaint();
    interval.start(); // the next change waits its turn
}

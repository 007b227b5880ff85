#ifndef PAINTTHROTTLE_H
#define PAINTTHROTTLE_H

#include <QObject>
#include <QTimer>

class QWidget;

// Lets a widget repaint at most once per interval while its content keeps
// changing. A change after a quiet spell paints at once; changes that follow
// within the interval are shown together when it ends. Painting long text is
// the costly part of a flood of replies, and nobody reads faster than this.
class PaintThrottle : public QObject
{
public:
    PaintThrottle(QWidget *widget, int intervalMs, QObject *parent = nullptr);

    // Call after each change of the widget's content.
    void changed();

private:
    void intervalEnded();

    QWidget *widget;
    QTimer interval;
    bool held = false; // updates are off until the interval ends
};

#endif // PAINTTHROTTLE_H

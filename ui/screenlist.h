#ifndef SCREENLIST_H
#define SCREENLIST_H

#include "design/screens.h"

#include <QComboBox>

// The named screens of the script in the editor. Choosing one puts the
// cursor on its `screen` line; the cursor moving into another shows it here.
class ScreenList : public QComboBox
{
    Q_OBJECT

public:
    explicit ScreenList(QWidget *parent = nullptr);

    void setScreens(const QVector<design::ScreenBlock> &screens);
    // Shows the screen that holds `line`, or the whole script.
    void showLine(int line);

signals:
    void screenChosen(int line);

private:
    QVector<design::ScreenBlock> listed;
};

#endif // SCREENLIST_H

#include "ui/screenlist.h"

ScreenList::ScreenList(QWidget *parent) : QComboBox(parent)
{
    setObjectName(QStringLiteral("screenList"));
    setToolTip(tr("The screens of the script (screen \"NAME\" ... end): the preview shows the "
                  "one the cursor is in"));
    setSizeAdjustPolicy(QComboBox::AdjustToContents);
    setScreens({});
    connect(this, qOverload<int>(&QComboBox::activated), this, [this](int row) {
        if (row > 0)
            emit screenChosen(listed.at(row - 1).line);
    });
}

void ScreenList::setScreens(const QVector<design::ScreenBlock> &screens)
{
    const bool same = screens.size() == listed.size() &&
                      std::equal(screens.begin(), screens.end(), listed.begin(),
                                 [](const design::ScreenBlock &a, const design::ScreenBlock &b) {
                                     return a.name == b.name && a.line == b.line;
                                 });
    listed = screens;
    if (same && count() == screens.size() + 1)
        return;
    const QSignalBlocker quiet(this);
    clear();
    addItem(screens.isEmpty() ? tr("No screens") : tr("Outside the screens"));
    for (const design::ScreenBlock &screen : screens)
        addItem(screen.name);
    setEnabled(!screens.isEmpty());
}

void ScreenList::showLine(int line)
{
    const QSignalBlocker quiet(this);
    setCurrentIndex(design::screenAtLine(listed, line) + 1);
}

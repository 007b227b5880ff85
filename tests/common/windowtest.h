#ifndef WINDOWTEST_H
#define WINDOWTEST_H

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <functional>

// Answers the next modal dialog the window opens (file and colour dialogs
// are modal and block the slot under test): `answer` gets the dialog and
// accepts or rejects it. Polls briefly because the dialog appears only once
// the slot has started its own event loop.
template <typename Dialog>
void answerNextDialog(std::function<void(Dialog *)> answer, int attempts = 200)
{
    QTimer::singleShot(10, [answer, attempts]() {
        auto *dialog = qobject_cast<Dialog *>(QApplication::activeModalWidget());
        if (dialog)
            answer(dialog);
        else if (attempts > 0)
            answerNextDialog<Dialog>(answer, attempts - 1);
    });
}

#endif // WINDOWTEST_H

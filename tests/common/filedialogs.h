#ifndef FILEDIALOGS_H
#define FILEDIALOGS_H

#include "common/windowtest.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>

// Answers the next file dialog as a user would: types the names into the
// dialog's name field and presses its accept button. Several names are typed
// quoted, as the dialog expects them. `then` prepares the answer to the
// dialog that follows, once this one is closed.
using NextAnswer = std::function<void()>;

inline void chooseFiles(const QStringList &paths, NextAnswer then = {},
                        QFileDialog::Options options = {})
{
    answerNextDialog<QFileDialog>([paths, then, options](QFileDialog *dialog) {
        dialog->setOptions(dialog->options() | options);
        QStringList names;
        for (const QString &path : paths)
            names.append(paths.size() == 1 ? path : QLatin1Char('"') + path + QLatin1Char('"'));
        dialog->setDirectory(QFileInfo(paths.first()).absolutePath());
        dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))
            ->setText(names.join(QLatin1Char(' ')));
        static_cast<QDialog *>(dialog)->accept(); // validates like the Open button
        if (then)
            then();
    });
}

inline void chooseFile(const QString &path, NextAnswer then = {})
{
    chooseFiles({path}, then);
}

// Saves over an existing file without the dialog asking first.
inline void chooseFileToReplace(const QString &path)
{
    chooseFiles({path}, {}, QFileDialog::DontConfirmOverwrite);
}

inline void chooseFolder(const QString &folder)
{
    answerNextDialog<QFileDialog>([folder](QFileDialog *dialog) {
        dialog->setDirectory(folder);
        static_cast<QDialog *>(dialog)->accept(); // validates like the Open button
    });
}

inline void cancelFileDialog()
{
    answerNextDialog<QFileDialog>([](QFileDialog *dialog) { dialog->reject(); });
}

#endif // FILEDIALOGS_H

#ifndef WINDOWDRIVER_H
#define WINDOWDRIVER_H

#include "app/mainwindow.h"
#include "assets/assetlists.h"
#include "common/windowtest.h"
#include "config/startupsettings.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTableWidget>

#include <memory>

// Answers the next file dialog as a user would: types the names (quoted when
// there are several) and accepts, which checks them like the Open button.
// `then` prepares the answer to the dialog that follows.
inline void chooseFiles(const QStringList &paths, std::function<void()> then = {})
{
    answerNextDialog<QFileDialog>([paths, then](QFileDialog *dialog) {
        const QString names = paths.size() == 1 ? paths.first() : '"' + paths.join("\" \"") + '"';
        dialog->findChild<QLineEdit *>("fileNameEdit")->setText(names);
        static_cast<QDialog *>(dialog)->accept();
        if (then)
            then();
    });
}

inline void chooseFile(const QString &path, std::function<void()> then = {})
{
    chooseFiles({path}, then);
}

inline void chooseFolder(const QString &folder)
{
    answerNextDialog<QFileDialog>([folder](QFileDialog *dialog) {
        dialog->setDirectory(folder);
        static_cast<QDialog *>(dialog)->accept();
    });
}

inline void cancelFileDialog()
{
    answerNextDialog<QFileDialog>([](QFileDialog *dialog) { dialog->reject(); });
}

// Drives a real MainWindow through its widgets. The lists and the start-up
// colour outlive any window, so each driver starts from empty ones.
class WindowDriver
{
public:
    WindowDriver() : window(std::make_unique<MainWindow>())
    {
        click("removeFontList");
        click("removeImageList");
        startScreenFill = QColor();
    }

    // A fresh window on the lists as they stand.
    void reopen() { window = std::make_unique<MainWindow>(); }

    template <typename Widget = QAbstractButton> Widget *get(const char *name) const
    {
        return window->findChild<Widget *>(QLatin1String(name));
    }

    void click(const char *name) const { get(name)->click(); }
    void check(const char *name) const { get(name)->setChecked(true); }
    QTableWidget *fonts() const { return get<QTableWidget>("FontTable"); }
    QTableWidget *images() const { return get<QTableWidget>("ImageTable"); }
    QString configOut() const { return get<QPlainTextEdit>("ConfigOut")->toPlainText(); }
    QString status() const { return window->statusBar()->currentMessage(); }

    void addFonts(const QStringList &paths) const
    {
        chooseFiles(paths);
        click("pushButton_6");
    }

    void addImage(const QString &path) const
    {
        QMetaObject::invokeMethod(window.get(), "AddToImageList", Q_ARG(QString, path));
    }

    // Cell texts; "-" for a cell without an item.
    static QStringList row(const QTableWidget *table, int row)
    {
        QStringList texts;
        for (int column = 0; column < table->columnCount(); ++column)
            texts << text(table->item(row, column));
        return texts;
    }

    static QStringList column(const QTableWidget *table, int column)
    {
        QStringList texts;
        for (int row = 0; row < table->rowCount(); ++row)
            texts << text(table->item(row, column));
        return texts;
    }

private:
    static QString text(const QTableWidgetItem *item) { return item ? item->text() : "-"; }

    std::unique_ptr<MainWindow> window;
};

#endif // WINDOWDRIVER_H

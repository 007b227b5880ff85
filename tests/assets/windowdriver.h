#ifndef WINDOWDRIVER_H
#define WINDOWDRIVER_H

#include "assets/assetlists.h"
#include "common/filedialogs.h"
#include "ui/assettables.h"

#include <QPlainTextEdit>
#include <QTableWidget>

// The window's asset pages.
class WindowDriver : public BenchWindow
{
public:
    // A fresh window: empty lists, the start page as it opens.
    void reopen() { window = std::make_unique<MainWindow>(); }

    const AssetLists &lists() const { return window->assetLists(); }

    void check(const char *name) const { get(name)->setChecked(true); }
    QTableWidget *fonts() const { return get<QTableWidget>("FontTable"); }
    QTableWidget *images() const { return get<QTableWidget>("ImageTable"); }
    QString configOut() const { return get<QPlainTextEdit>("ConfigOut")->toPlainText(); }

    void addFonts(const QStringList &paths) const
    {
        chooseFiles(paths);
        click("pushButton_6");
    }

    void addImage(const QString &path) const
    {
        get<AssetTables>("assetTables")->addImageFile(path);
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
};

#endif // WINDOWDRIVER_H

#include "ui/listtable.h"

#include <QItemSelectionModel>
#include <QTableWidget>

#include <algorithm>

namespace ListTable {

namespace {

constexpr int numberColumn = 0;

void renumberFrom(QTableWidget *table, int first)
{
    for (int row = first; row < table->rowCount(); ++row) {
        if (QTableWidgetItem *number = table->item(row, numberColumn))
            number->setText(QString::number(row));
    }
}

} // namespace

void putRow(QTableWidget *table, int row, const QStringList &cells)
{
    table->setRowCount(row + 1);
    for (int column = 0; column < cells.size(); ++column)
        table->setItem(row, column, new QTableWidgetItem(cells.at(column)));
}

void swapRows(QTableWidget *table, int row, int other)
{
    for (int column = 0; column < table->columnCount(); ++column) {
        QTableWidgetItem *first = table->takeItem(row, column);
        QTableWidgetItem *second = table->takeItem(other, column);
        if (second)
            table->setItem(row, column, second);
        if (first)
            table->setItem(other, column, first);
    }
    renumberFrom(table, qMin(row, other));
}

void removeRows(QTableWidget *table, const QList<int> &rows)
{
    if (rows.isEmpty())
        return;
    for (auto row = rows.crbegin(); row != rows.crend(); ++row)
        table->removeRow(*row);
    renumberFrom(table, rows.first());
}

QList<int> selectedRows(const QTableWidget *table)
{
    QList<int> rows;
    const QModelIndexList selected = table->selectionModel()->selectedIndexes();
    for (const QModelIndex &index : selected) {
        if (!rows.contains(index.row()))
            rows.append(index.row());
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

int selectedCurrentRow(const QTableWidget *table)
{
    const int row = table->currentRow();
    if (row < 0 || !table->selectionModel()->rowIntersectsSelection(row, QModelIndex()))
        return -1;
    return row;
}

void selectOnly(QTableWidget *table, int row)
{
    const int column = qMax(0, table->currentColumn());
    table->setCurrentCell(row, column,
                          QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

} // namespace ListTable

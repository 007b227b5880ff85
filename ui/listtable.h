#ifndef LISTTABLE_H
#define LISTTABLE_H

#include <QList>
#include <QStringList>

class QTableWidget;

// The Fonts and Images tables show their list row for row; these keep the
// rows in step with what the list does to its entries.
namespace ListTable {

// Puts `cells` into row `row`, which becomes the last row.
void putRow(QTableWidget *table, int row, const QStringList &cells);

// Swaps two rows' cells and gives both their new numbers.
void swapRows(QTableWidget *table, int row, int other);

// Takes out `rows` (ascending) and renumbers the rows after the first of them.
void removeRows(QTableWidget *table, const QList<int> &rows);

// Rows with a selected cell, ascending.
QList<int> selectedRows(const QTableWidget *table);

// The current row when it is selected, otherwise -1: a row the user has
// deselected is not one to move.
int selectedCurrentRow(const QTableWidget *table);

// Selects `row` alone and makes it current.
void selectOnly(QTableWidget *table, int row);

} // namespace ListTable

#endif // LISTTABLE_H

// "Fonts" and "Images" pages: their buttons, handed to the tables' keeper.
#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "assets/assettables.h"

void MainWindow::on_pushButton_6_clicked()
{
    tables->addChosenFonts();
}

void MainWindow::on_removeFontList_clicked()
{
    tables->removeFonts();
}

void MainWindow::on_upFontList_clicked()
{
    tables->moveFont(-1);
}

void MainWindow::on_downFontList_clicked()
{
    tables->moveFont(+1);
}

void MainWindow::reDraw_FontTable()
{
    ui->FontTable->clearContents();
}

void MainWindow::on_pushButton_4_clicked()
{
    reDraw_FontTable();
}

void MainWindow::AddToImageList(QString fileName)
{
    AddReport report;
    tables->addImage(fileName, AssetTables::Listing::Chosen, report);
    if (report.refused > 0 || !report.problems.isEmpty())
        showStatus(report.text(QStringLiteral("image")));
}

void MainWindow::on_pushButton_3_clicked()
{
    tables->addChosenImages();
}

void MainWindow::on_removeImageList_clicked()
{
    tables->removeImages();
}

void MainWindow::on_pushButton_2_clicked()
{
    tables->moveImage(-1);
}

void MainWindow::on_pushButton_clicked()
{
    tables->moveImage(+1);
}

void MainWindow::on_convertImage_clicked()
{
    tables->convertChosenPictures();
}

// The preview follows the current row, so a click needs nothing more.
void MainWindow::on_ImageTable_clicked(const QModelIndex &index)
{
    Q_UNUSED(index)
}

// The table is filled as images are added, so there is nothing to refresh.
void MainWindow::updateImageList() {}

// "Config.txt" page's flash image and the "Images" page's package import.
#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "assets/esfpackage.h"
#include "assets/flashimage.h"

#include <QFileDialog>
#include <QFileInfo>

namespace {

// Bitmaps whose file is still there get their diagnostic copies; each one
// replaces those of the bitmap before it.
void writeDiagnostics(const QVector<FlashDataFile> &files)
{
    const int firstImage = files.size() - imageCount;
    for (int j = 0; j < imageCount; ++j) {
        if (imageList[j].type == imageTypeBmp &&
            QFileInfo(files.at(firstImage + j).path).isReadable())
            writeDiagnosticBitmaps(imageList[j].name);
    }
}

} // namespace

QVector<FlashDataFile> MainWindow::flashDataFiles() const
{
    // The table rows hold the full paths; the entries hold the sizes the
    // directories were built from.
    QVector<FlashDataFile> files;
    const auto pathAt = [](const QTableWidget *table, int row) {
        const QTableWidgetItem *item = table->item(row, 1);
        return item ? item->text() : QString();
    };
    for (int i = 0; i < fontCount; ++i)
        files.append({pathAt(ui->FontTable, i), fontList[i].size});
    for (int j = 0; j < imageCount; ++j)
        files.append({pathAt(ui->ImageTable, j), imageList[j].size});
    return files;
}

void MainWindow::on_generateFlashImage_clicked()
{
    ui->ConfigOut->clear();
    ui->GenerateConfig->click(); // refreshes the header and both directories
    const QString output =
        QFileDialog::getSaveFileName(this, tr("Open VXS File"), QString(), tr("VXS Files (*.vxs)"));
    if (output.isEmpty())
        return;
    const QVector<FlashDataFile> files = flashDataFiles();
    const FlashImageReport report =
        writeFlashImage(output, {flashHeader, fontDirectory, imageDirectory}, files);
    if (report.written)
        writeDiagnostics(files);
    showStatus(flashImageSummary(output, report));
}

void MainWindow::on_importESF_clicked()
{
    const QString packagePath =
        QFileDialog::getOpenFileName(this, tr("Open esf File"), QString(), tr("esf Files (*.esf)"));
    if (packagePath.isEmpty())
        return;
    QString error;
    const std::optional<EsfPackage> package = openEsfPackage(packagePath, error);
    if (!package) {
        showStatus(error);
        return;
    }
    const QString folder = QFileDialog::getExistingDirectory(
        this, tr("Open Temp Directory To Save Files"), QString(),
        QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
    if (folder.isEmpty())
        return;
    const EsfExtraction extraction = extractEsfImages(*package, folder);
    int refused = 0;
    for (const QString &path : extraction.written) {
        const quint8 before = imageCount;
        AddToImageList(path);
        if (imageCount == before)
            ++refused;
    }
    showStatus(esfImportSummary(*package, extraction, refused));
}

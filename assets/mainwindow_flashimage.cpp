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
void writeDiagnostics(const AssetLists &lists)
{
    for (int j = 0; j < lists.imageCount; ++j) {
        const ImageEntry &image = lists.imageList[j];
        if (image.type == imageTypeBmp && QFileInfo(image.path).isReadable())
            writeDiagnosticBitmaps(image.name);
    }
}

} // namespace

void MainWindow::on_generateFlashImage_clicked()
{
    ui->ConfigOut->clear();
    ui->GenerateConfig->click(); // refreshes the header and both directories
    const QString output =
        QFileDialog::getSaveFileName(this, tr("Open VXS File"), QString(), tr("VXS Files (*.vxs)"));
    if (output.isEmpty())
        return;
    const FlashImageReport report = writeFlashImage(output, lists.blocks(), lists.flashDataFiles());
    if (report.written)
        writeDiagnostics(lists);
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
        const quint8 before = lists.imageCount;
        AddToImageList(path);
        if (lists.imageCount == before)
            ++refused;
    }
    showStatus(esfImportSummary(*package, extraction, refused));
}

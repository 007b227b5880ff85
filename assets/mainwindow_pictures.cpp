// "Images" page: the preview, converting pictures, and files dropped on
// the two tables.
#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "assets/convertdialog.h"
#include "assets/droppedfiles.h"
#include "assets/pictureconversion.h"

#include <QFileDialog>
#include <QFileInfo>

namespace {

const QStringList fontSuffixes{QStringLiteral("vxf"), QStringLiteral("ttf")};
const QStringList imageSuffixes{QStringLiteral("vxp"), QStringLiteral("bmp")};

QString ignoredText(const QStringList &ignored, const QString &kinds)
{
    return QStringLiteral("not %1, not added: %2").arg(kinds, ignored.join(QStringLiteral(", ")));
}

} // namespace

void MainWindow::addDroppedFonts(const QStringList &paths)
{
    const DroppedFiles dropped = droppedFiles(paths, fontSuffixes, fontSuffixes);
    AddReport report;
    for (const QString &path : dropped.accepted)
        addFont(path, Listing::Chosen, report);
    if (!dropped.ignored.isEmpty())
        report.problems << ignoredText(dropped.ignored, QStringLiteral(".vxf or .ttf fonts"));
    showStatus(report.text(QStringLiteral("font")));
}

// .vxp and .bmp files are listed as they are; other pictures are converted
// beside themselves first, with the conversion's defaults. A folder gives
// only its .vxp and .bmp files: it often holds the pictures they came from.
void MainWindow::addDroppedImages(const QStringList &paths)
{
    const DroppedFiles dropped =
        droppedFiles(paths, imageSuffixes + pictureSuffixes(), imageSuffixes);
    AddReport report;
    for (const QString &path : dropped.accepted) {
        if (needsConversion(path))
            convertAndAdd(path, ConvertChoice{}, report);
        else
            addImage(path, Listing::Chosen, report);
    }
    if (!dropped.ignored.isEmpty())
        report.problems << ignoredText(dropped.ignored, QStringLiteral("pictures"));
    showStatus(report.text(QStringLiteral("image")));
}

void MainWindow::convertAndAdd(const QString &picture, const ConvertChoice &choice,
                               AddReport &report)
{
    // A full list takes nothing more, so nothing more is written for it.
    if (lists.imageCount >= listCapacity) {
        ++report.refused;
        return;
    }
    // Replacing a listed file would leave its entry with the old size, and the
    // flash image with the wrong bytes in its place.
    const QString output = vxpPathFor(picture, choice.outputFolder);
    if (lists.listsImage(output)) {
        report.problems << QStringLiteral("Cannot convert %1: %2 is listed already")
                               .arg(QFileInfo(picture).fileName(), QFileInfo(output).fileName());
        return;
    }
    const PictureFileConversion conversion = convertPictureFile(picture, output, choice.options);
    if (!conversion.error.isEmpty()) {
        report.problems << conversion.error;
        return;
    }
    if (!conversion.warning.isEmpty())
        report.problems << conversion.warning;
    addImage(conversion.output, Listing::Chosen, report);
}

void MainWindow::on_convertImage_clicked()
{
    const QStringList pictures =
        QFileDialog::getOpenFileNames(this, tr("Convert Pictures"), QString(), pictureFilter());
    if (pictures.isEmpty())
        return;
    ConvertDialog dialog(this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const ConvertChoice choice = dialog.choice();
    AddReport report;
    for (const QString &picture : pictures)
        convertAndAdd(picture, choice, report);
    showStatus(report.text(QStringLiteral("image")));
}

#include "ui/configpage.h"
#include "ui_mainwindow.h"

#include "assets/assetlists.h"
#include "assets/flashimage.h"
#include "config/cardpath.h"
#include "config/configreader.h"
#include "config/configtext.h"
#include "files/safefile.h"
#include "sdcard/cardjob.h"
#include "ui/assettables.h"
#include "ui/cardprogress.h"
#include "ui/startuppage.h"

#include <QDir>
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

ConfigPage::ConfigPage(Ui::MainWindow &form, AssetLists &lists, AssetTables &tables,
                       StartupPage &startup, QWidget *window)
    : QObject(window), ui(form), lists(lists), tables(tables), startup(startup), window(window)
{
    setObjectName(QStringLiteral("configPage"));
    connect(ui.GenerateConfig, &QAbstractButton::clicked, this, &ConfigPage::generateConfig);
    connect(ui.openConfigFile, &QAbstractButton::clicked, this, &ConfigPage::openConfigFile);
    connect(ui.actionSaveConfig, &QAction::triggered, this, &ConfigPage::saveConfig);
    connect(ui.generateFlashImage, &QAbstractButton::clicked, this,
            &ConfigPage::generateFlashImage);
    connect(ui.pushButton_9, &QAbstractButton::clicked, this, &ConfigPage::writeCard);
}

QStringList ConfigPage::cardPaths(const QStringList &hostPaths) const
{
    QStringList paths;
    for (const QString &path : hostPaths)
        paths.append(cardPathOn(path, cardRoot));
    return paths;
}

void ConfigPage::generateConfig()
{
    const StartupSettings settings = startup.settings();
    ui.ConfigOut->clear();
    ui.ConfigOut->insertPlainText(
        configText(settings, cardPaths(lists.fontPaths()), cardPaths(lists.imagePaths())));
    lists.rebuildFlashBlocks(settings);
}

void ConfigPage::openConfigFile()
{
    const QString path = QFileDialog::getOpenFileName(window, tr("Open Config File"), QString(),
                                                      tr("Config Files (*.txt)"));
    if (path.isEmpty())
        return;
    const ConfigReading reading = readConfigFile(path);
    if (!reading.file) {
        emit status(reading.error);
        return;
    }
    tables.emptyFonts();
    tables.emptyImages();
    ui.ConfigOut->clear();
    ui.ConfigOut->insertPlainText(reading.file->text);
    cardRoot = QFileInfo(path).absolutePath();

    AddReport fonts;
    for (const QString &font : reading.file->fontPaths)
        tables.addFont(font, AssetTables::Listing::FromConfig, fonts);
    AddReport images;
    for (const QString &image : reading.file->imagePaths)
        tables.addImage(image, AssetTables::Listing::FromConfig, images);
    startup.apply(reading.file->startup);
    emit status(QStringLiteral("Loaded %1: %2; %3")
                    .arg(QFileInfo(path).fileName(), fonts.text(QStringLiteral("font")),
                         images.text(QStringLiteral("image"))));
}

void ConfigPage::saveConfig()
{
    const QString start = cardRoot.isEmpty() ? QStringLiteral("Config.txt")
                                             : cardRoot + QStringLiteral("/Config.txt");
    const QString path = QFileDialog::getSaveFileName(window, tr("Save Config.txt"), start,
                                                      tr("Config Files (*.txt)"));
    if (path.isEmpty())
        return;
    // The text exactly as shown, edits included; the pane keeps line feeds.
    QString error;
    if (writeFileSafely(path, ui.ConfigOut->toPlainText().toUtf8(), error))
        emit status(QStringLiteral("Saved %1").arg(QDir::toNativeSeparators(path)));
    else
        emit status(error);
}

void ConfigPage::generateFlashImage()
{
    ui.ConfigOut->clear();
    ui.GenerateConfig->click(); // refreshes the header and both directories
    const QString output = QFileDialog::getSaveFileName(window, tr("Open VXS File"), QString(),
                                                        tr("VXS Files (*.vxs)"));
    if (output.isEmpty())
        return;
    const FlashImageReport report = writeFlashImage(output, lists.blocks(), lists.flashDataFiles());
    if (report.written)
        writeDiagnostics(lists);
    emit status(flashImageSummary(output, report));
}

// The lists' files and Config.txt onto a card, written on a worker thread
// behind a progress dialog.
void ConfigPage::writeCard()
{
    if (cardJob && cardJob->isRunning())
        return;
    const QString root = QFileDialog::getExistingDirectory(
        window, tr("Choose the SD Card's Root Folder"), cardRoot, QFileDialog::ShowDirsOnly);
    if (root.isEmpty())
        return;
    if (!cardJob) {
        cardJob = new CardJob(this);
        connect(cardJob, &CardJob::finished, this, &ConfigPage::cardWritten);
    }
    showCardProgress(cardJob, window);
    cardJob->start({lists.fontPaths(), lists.imagePaths(), root, startup.settings()});
    ui.pushButton_9->setEnabled(false);
    emit status(tr("Writing the card at %1...").arg(QDir::toNativeSeparators(root)));
}

void ConfigPage::cardWritten(const CardOutcome &outcome)
{
    ui.pushButton_9->setEnabled(true);
    if (!outcome.configText.isEmpty()) {
        // The page shows what the card's Config.txt says, and the flash image
        // blocks follow the same lists and settings.
        ui.ConfigOut->clear();
        ui.ConfigOut->insertPlainText(outcome.configText);
        lists.rebuildFlashBlocks(outcome.settings);
        cardRoot = outcome.plan.root;
    }
    emit status(outcome.summary());
}

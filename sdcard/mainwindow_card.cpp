// "Config.txt" page's "Generate SD Card": the lists' files and Config.txt
// onto a card, written on a worker thread behind a progress dialog.
#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "sdcard/cardjob.h"
#include "sdcard/cardprogress.h"

#include <QDir>
#include <QFileDialog>

void MainWindow::on_pushButton_9_clicked()
{
    if (cardJob && cardJob->isRunning())
        return;
    const QString root = QFileDialog::getExistingDirectory(
        this, tr("Choose the SD Card's Root Folder"), cardRoot, QFileDialog::ShowDirsOnly);
    if (root.isEmpty())
        return;
    if (!cardJob) {
        cardJob = new CardJob(this);
        connect(cardJob, &CardJob::finished, this, &MainWindow::cardWritten);
    }
    showCardProgress(cardJob, this);
    cardJob->start({lists.fontPaths(), lists.imagePaths(), root, startupSettings()});
    ui->pushButton_9->setEnabled(false);
    showStatus(tr("Writing the card at %1...").arg(QDir::toNativeSeparators(root)));
}

void MainWindow::cardWritten(const CardOutcome &outcome)
{
    ui->pushButton_9->setEnabled(true);
    if (!outcome.configText.isEmpty()) {
        // The page shows what the card's Config.txt says, and the flash image
        // blocks follow the same lists and settings.
        ui->ConfigOut->clear();
        ui->ConfigOut->insertPlainText(outcome.configText);
        lists.rebuildFlashBlocks(outcome.settings);
        cardRoot = outcome.plan.root;
    }
    showStatus(outcome.summary());
}

// "Config.txt" page's "Generate SD Card": the lists' files and Config.txt
// onto a card, written on a worker thread behind a progress dialog.
#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "sdcard/cardjob.h"

#include <QDir>
#include <QFileDialog>
#include <QProgressDialog>

namespace {

// Progress in KiB keeps the dialog's int range clear of any card's size.
int kib(qint64 bytes)
{
    return int(bytes / 1024);
}

} // namespace

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
    showCardProgress();
    cardJob->start({lists.fontPaths(), lists.imagePaths(), root, startupSettings()});
    ui->pushButton_9->setEnabled(false);
    showStatus(tr("Writing the card at %1...").arg(QDir::toNativeSeparators(root)));
}

// Shown only once the copy has taken more than a moment.
void MainWindow::showCardProgress()
{
    auto *progress = new QProgressDialog(tr("Writing the card..."), tr("Cancel"), 0, 0, this);
    progress->setObjectName(QStringLiteral("cardProgress"));
    progress->setWindowTitle(tr("Generate SD Card"));
    progress->setWindowModality(Qt::WindowModal); // the lists stay as they are meanwhile
    progress->setMinimumDuration(500);
    progress->setAutoClose(false);
    progress->setAutoReset(false);
    connect(progress, &QProgressDialog::canceled, cardJob, &CardJob::cancel);
    connect(cardJob, &CardJob::progressed, progress,
            [progress](qint64 done, qint64 total, const QString &file) {
                progress->setMaximum(qMax(1, kib(total)));
                progress->setValue(kib(done));
                progress->setLabelText(tr("Writing %1").arg(file));
            });
    connect(cardJob, &CardJob::finished, progress, &QObject::deleteLater);
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

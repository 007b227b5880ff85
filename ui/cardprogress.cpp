#include "ui/cardprogress.h"

#include "sdcard/cardjob.h"

#include <QProgressDialog>

namespace {

// Progress in KiB keeps the dialog's int range clear of any card's size.
int kib(qint64 bytes)
{
    return int(bytes / 1024);
}

} // namespace

void showCardProgress(CardJob *job, QWidget *parent)
{
    auto *progress = new QProgressDialog(QObject::tr("Writing the card..."), QObject::tr("Cancel"),
                                         0, 0, parent);
    progress->setObjectName(QStringLiteral("cardProgress"));
    progress->setWindowTitle(QObject::tr("Generate SD Card"));
    progress->setWindowModality(Qt::WindowModal); // the lists stay as they are meanwhile
    progress->setMinimumDuration(500);
    progress->setAutoClose(false);
    progress->setAutoReset(false);
    QObject::connect(progress, &QProgressDialog::canceled, job, &CardJob::cancel);
    QObject::connect(job, &CardJob::progressed, progress,
                     [progress](qint64 done, qint64 total, const QString &file) {
                         progress->setMaximum(qMax(1, kib(total)));
                         progress->setValue(kib(done));
                         progress->setLabelText(QObject::tr("Writing %1").arg(file));
                     });
    QObject::connect(job, &CardJob::finished, progress, &QObject::deleteLater);
}

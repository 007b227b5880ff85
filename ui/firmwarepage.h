#ifndef FIRMWAREPAGE_H
#define FIRMWAREPAGE_H

#include "firmware/consoledecoder.h"

#include <QObject>
#include <QProcess>
#include <QString>
#include <QVector>

namespace Ui {
class MainWindow;
}

class LinkKeeper;
class ModuleLink;
class QWidget;

// The "Update Firmware" page: choose a DFU file, run the DFU utility on it
// with its output in the page, and wait for the module to come back with
// the new firmware.
class FirmwarePage : public QObject
{
    Q_OBJECT

public:
    FirmwarePage(Ui::MainWindow &form, ModuleLink &link, LinkKeeper &keeper, QWidget *window);
    ~FirmwarePage() override;

signals:
    void status(const QString &text);

private:
    void chooseFile();
    void update();
    void readOutput();
    void failedToStart(QProcess::ProcessError error);
    void finished(int exitCode, QProcess::ExitStatus exitStatus);
    void awaitUpdatedModule();
    void applyConsoleOps(const QVector<ConsoleOp> &ops);

    Ui::MainWindow &ui;
    ModuleLink &link;
    LinkKeeper &keeper;
    QWidget *window; // parent of the file dialog
    QProcess dfuProcess;
    ConsoleDecoder dfuConsole;
    QString firmwareFile;
    bool portOpenAtUpdate = false;
};

#endif // FIRMWAREPAGE_H

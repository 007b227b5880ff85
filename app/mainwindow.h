#ifndef MAINWINDOW_H
#define MAINWINDOW_H

#include <QMainWindow>
#include <QProcess>
#include <QSerialPort>
#include <QString>

#include "firmware/consoledecoder.h"

namespace Ui {
class MainWindow;
}

class QDragEnterEvent;
class QDropEvent;
class QTimerEvent;

// The bench's one window. Slots are wired to widgets by name; each subsystem
// folder defines the slots it owns (app/, serial/, commands/, config/,
// assets/, firmware/).
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // The transmit operation: every command slot writes its frames here.
    void transmit(const QByteArray &frame);

protected:
    void timerEvent(QTimerEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private slots:
    // Application shell (app/)
    void on_clearTextEdit_clicked();
    void on_searchManual_clicked();

    // Serial link (serial/)
    void on_pushButton_10_clicked();
    void on_openSerialPort_clicked();
    void on_serialClose_clicked();
    void handleError(QSerialPort::SerialPortError error);
    void readData();

    // Firmware update (firmware/)
    void on_openFirmware_clicked();
    void on_updateFirmware_clicked();
    void on_cmdExec_data_available();
    void dfuFailedToStart(QProcess::ProcessError error);
    void dfuFinished(int exitCode, QProcess::ExitStatus exitStatus);

    // Display commands and reply reader (commands/, serial/)

    // Start-up configuration (config/)

    // Font and image assets (assets/)

private:
    void startSerialLink();
    void startFirmwarePage();
    void applyConsoleOps(const QVector<ConsoleOp> &ops);
    void fillPortList();
    void showManual();
    void showStatus(const QString &text);

    Ui::MainWindow *ui;
    QProcess dfuProcess;
    int portWatchTimer = 0;
    quint8 pendingCommand = 0;
    quint8 extendedModeOn = 0;
    QString firmwareFile;
    ConsoleDecoder dfuConsole;
};

#endif // MAINWINDOW_H

#ifndef MAINWINDOW_H
#define MAINWINDOW_H

#include <QByteArrayList>
#include <QMainWindow>
#include <QModelIndex>
#include <QProcess>
#include <QSerialPort>
#include <QString>

#include "assets/assetlists.h"
#include "firmware/consoledecoder.h"

namespace Ui {
class MainWindow;
}

class QDragEnterEvent;
class QDropEvent;
class QTimerEvent;
enum class Command;

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

    // The font and image lists as the Fonts and Images pages show them.
    const AssetLists &assetLists() const { return lists; }

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
    void on_Cls_clicked();
    void on_setColorH_clicked();
    void on_colorSelector_clicked();
    void on_set_bg_colorh_clicked();
    void on_colorSelectorBG_clicked();
    void on_selectFont_clicked();
    void on_printString_clicked();
    void on_PRINT_STRING_BG_clicked();
    void on_setXHY_clicked();
    void on_setNorth_clicked();
    void on_setEast_clicked();
    void on_setSouth_clicked();
    void on_setWest_clicked();
    void on_LightOn_clicked();
    void on_LightOFf_clicked();
    void on_pushButton_16_clicked();
    void on_BrightSlider_sliderMoved(int position);
    void on_arcH_clicked();
    void on_boxH_clicked();
    void on_boxHFill_clicked();
    void on_circleRH_clicked();
    void on_H_LINEH_clicked();
    void on_V_LINE_clicked();
    void on_LINE_TO_XHY_clicked();
    void on_sdPutIcon_clicked();
    void on_sdPutIconFile_returnPressed();
    void on_put_sf_icon_clicked();
    void on_captureScreen_clicked();
    void on_buttonDef_clicked();
    void on_buttonState_clicked();
    void on_touchProtocol_clicked();
    void on_calibrateTouch_clicked();
    void on_demo_clicked();
    void on_setLayer0_clicked();
    void on_setLayer1_clicked();
    void on_setLayerVisible0_clicked();
    void on_setLayerVisible1_clicked();
    void on_setHideLayer0_clicked();
    void on_setHideLayer1_clicked();
    void on_setColorKey_clicked();
    void on_setStandardMode_clicked();
    void on_setExtendedMode_clicked();
    void on_buzzerOn_clicked();
    void on_buzzerOff_clicked();
    void on_buzzerBeep_clicked();
    void on_ping_clicked();
    void on_getSerial_clicked();
    void on_resetVEXEL_clicked();
    void on_ShowSettings_clicked();
    void on_GETVERSION_clicked();
    void on_SD_FILE_CREATE_clicked();
    void on_SD_FILE_OPEN_clicked();
    void on_SD_FILE_CLOSE_clicked();
    void on_SD_FILE_WRITE_clicked();
    void on_SD_FILE_READ_clicked();
    void on_SD_FILE_DELETE_clicked();
    void on_SD_FILE_GET_SIZE_clicked();
    void on_SD_FILE_TELL_clicked();
    void on_SD_FILE_LIST_clicked();
    void on_SD_INSERTED_clicked();
    void on_SD_SPACE_INFO_clicked();
    void on_SD_FOLDER_CREATE_clicked();

    // Start-up configuration (config/)
    void on_GenerateConfig_clicked();
    void on_SSDefault_clicked();
    void on_SSImage_clicked();
    void on_SSColor_clicked();
    void on_startScreenColor_clicked();
    void on_openConfigFile_clicked();
    void on_actionSaveConfig_triggered();
    void on_pushButton_9_clicked();
    void cardWritten(const struct CardOutcome &outcome);

    // Font and image assets (assets/)
    void on_pushButton_6_clicked();
    void on_removeFontList_clicked();
    void on_upFontList_clicked();
    void on_downFontList_clicked();
    void reDraw_FontTable();
    void on_pushButton_4_clicked();
    void AddToImageList(QString fileName);
    void on_pushButton_3_clicked();
    void on_removeImageList_clicked();
    void on_pushButton_2_clicked();
    void on_pushButton_clicked();
    void on_ImageTable_clicked(const QModelIndex &index);
    void updateImageList();
    void on_generateFlashImage_clicked();
    void on_importESF_clicked();
    void on_convertImage_clicked();

private:
    void startSerialLink();
    void startLinkKeeper();
    void showPortChoice(const QString &port);
    bool openPort(const struct LineSettings &settings, bool reportFailure);
    void closeLostPort();
    class LinkKeeper *keeper = nullptr; // brings a lost line back, owned by the window
    void startFirmwarePage();
    void awaitUpdatedModule();
    bool portOpenAtUpdate = false;
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

    // Display commands and reply reader (commands/, serial/). The types are
    // named with elaborated specifiers so this header needs none of them.
    class PortWriter *commandWriter();
    QByteArray sendCommand(const struct CommandSpec &command, const QVector<qint64> &values = {},
                           const QString &text = {});
    void sendSdCommand(const struct CommandSpec &command, const QVector<qint64> &values = {});
    void sendButtonFrame(const struct CommandSpec &command, const QVector<qint64> &values);
    void showLayer(int layer, bool visible, class QAbstractButton *visibleButton,
                   class QAbstractButton *hideButton);
    void setMode(bool extended);
    void showMode(bool extended);
    void showSentState(Command id, const QVector<qint64> &values);
    QByteArray sendWrites(const struct CommandSpec &command, const QByteArrayList &writes);
    void logText(const QString &text);
    void showReply(const struct Reply &reply);
    class PaintThrottle *logPainting = nullptr; // keeps a flood of log text from painting each line
    class PortWriter *portWriter = nullptr; // made on first use, owned by the window

    // Start-up configuration (config/).
    struct StartupSettings startupSettings() const;
    void applyStartupUpdate(const struct StartupUpdate &update);
    void showStartupSettings(const struct StartupSettings &settings);
    void setImageFieldsEnabled(bool enabled);
    QStringList cardPaths(const QStringList &hostPaths) const;

    // The traffic record and its window (traffic/), owned by the window.
    class TrafficControls *traffic = nullptr;

    // The Demos page's script workbench (script/), owned by the window.
    void startScriptPage();
    class ScriptPage *scripts = nullptr;

    AssetLists lists;
    class AssetTables *tables = nullptr; // the Fonts and Images pages, owned by the window
    class CardJob *cardJob = nullptr;    // made on first use, owned by the window
    // The folder that stands for the card's root: where the last Config.txt
    // was read from or the last card was made. Files inside it are named
    // from there in Config.txt. Empty until then.
    QString cardRoot;
};

#endif // MAINWINDOW_H

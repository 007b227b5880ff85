// Screen, layer, mode, buzzer and system commands of the "Display Test" page.
#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "commands/colors.h"
#include "commands/frames.h"
#include "commands/portwriter.h"
#include "script/scriptpage.h"
#include "serial/serialport.h"

#include <QColorDialog>

PortWriter *MainWindow::commandWriter()
{
    if (portWriter)
        return portWriter;
    portWriter = new PortWriter(
        &serialPort, [this](const QByteArray &bytes) { transmit(bytes); }, this);
    // One arg() call per message: a file name such as "a%1.bin" would
    // otherwise take the numbers meant for the later placeholders.
    connect(portWriter, &PortWriter::progress, this,
            [this](const QString &name, qint64 sent, qint64 total) {
                showStatus(tr("Sending %1: %2 of %3 bytes")
                               .arg(name, QString::number(sent), QString::number(total)));
            });
    connect(portWriter, &PortWriter::finished, this, [this](const QString &name, qint64 total) {
        showStatus(
            tr("Sent %1: all %2 bytes have left the port").arg(name, QString::number(total)));
    });
    connect(portWriter, &PortWriter::stopped, this,
            [this](const QString &name, qint64 sent, qint64 total, const QString &reason) {
                const QString message =
                    tr("Sending %1 stopped after %2 of %3 bytes: %4")
                        .arg(name, QString::number(sent), QString::number(total), reason);
                showStatus(message);
                // A closing port replaces the status at once with "Port
                // Closed"; the log keeps the word that the file was cut short.
                logText(message + QLatin1Char('\n'));
            });
    // A write error may leave the port open with bytes that never drain.
    connect(&serialPort, &QSerialPort::errorOccurred, portWriter,
            [this](QSerialPort::SerialPortError error) {
                if (error == QSerialPort::WriteError)
                    portWriter->stop(serialPort.errorString());
            });
    return portWriter;
}

QByteArray MainWindow::sendCommand(const CommandSpec &command, const ArgValues &values,
                                   const QString &text)
{
    const QByteArray textBytes = text.toLocal8Bit();
    scripts->recordCommand(command.id, values, textBytes, extendedModeOn != 0);
    return sendWrites(command,
                      commandWritesOfBytes(command.id, values, textBytes, extendedModeOn != 0));
}

// A command's writes go out as the buttons send them: the reader armed,
// then the bytes, then the log line.
QByteArray MainWindow::sendWrites(const CommandSpec &command, const QByteArrayList &writes)
{
    if (command.has(ArmsReply))
        pendingCommand = command.code;
    for (const QByteArray &bytes : writes)
        commandWriter()->send(bytes);
    const QByteArray frame = writes.join();
    logText(commandLogLine(command.id, frame));
    return frame;
}

void MainWindow::on_Cls_clicked()
{
    sendCommand(spec(Command::Cls));
}

void MainWindow::on_setColorH_clicked()
{
    sendCommand(spec(Command::SetColorH), {rgb565(textColor)});
}

// Both dialogs carry the same title; neither starts at the current colour.
void MainWindow::on_colorSelector_clicked()
{
    textColor =
        QColorDialog::getColor(Qt::white, this, tr("Text Color"), QColorDialog::ShowAlphaChannel);
}

void MainWindow::on_set_bg_colorh_clicked()
{
    sendCommand(spec(Command::SetBgColorH), {rgb565(backgroundColor)});
}

void MainWindow::on_colorSelectorBG_clicked()
{
    backgroundColor = QColorDialog::getColor(Qt::black, this, tr("Text Color"),
                                             QColorDialog::DontUseNativeDialog);
}

void MainWindow::on_selectFont_clicked()
{
    sendCommand(spec(Command::SelectFont), {ui->fontNumber->value()});
}

void MainWindow::on_printString_clicked()
{
    sendCommand(spec(Command::PrintString), {}, ui->printStringText->text());
}

void MainWindow::on_PRINT_STRING_BG_clicked()
{
    sendCommand(spec(Command::PrintStringBg), {}, ui->printStringText->text());
}

void MainWindow::on_setXHY_clicked()
{
    sendCommand(spec(Command::SetXHY), {ui->spinX->value(), ui->spinY->value()});
}

namespace {
// The direction, layer and mode buttons act as groups without being exclusive
// ones, so a second click cannot uncheck the chosen button.
void checkOnly(QAbstractButton *chosen, std::initializer_list<QAbstractButton *> group)
{
    for (QAbstractButton *button : group)
        button->setChecked(button == chosen);
}

void checkDirection(Ui::MainWindow *ui, QAbstractButton *chosen)
{
    checkOnly(chosen, {ui->setNorth, ui->setEast, ui->setSouth, ui->setWest});
}
} // namespace

void MainWindow::on_setNorth_clicked()
{
    checkDirection(ui, ui->setNorth);
    sendCommand(spec(Command::SetNorth));
}

void MainWindow::on_setEast_clicked()
{
    checkDirection(ui, ui->setEast);
    sendCommand(spec(Command::SetEast));
}

void MainWindow::on_setSouth_clicked()
{
    checkDirection(ui, ui->setSouth);
    sendCommand(spec(Command::SetSouth));
}

void MainWindow::on_setWest_clicked()
{
    checkDirection(ui, ui->setWest);
    sendCommand(spec(Command::SetWest));
}

void MainWindow::on_LightOn_clicked()
{
    sendCommand(spec(Command::LightOn));
}

void MainWindow::on_LightOFf_clicked()
{
    sendCommand(spec(Command::LightOff));
}

void MainWindow::on_pushButton_16_clicked()
{
    sendCommand(spec(Command::BacklightLevel), {ui->BrightSlider->value()});
}

void MainWindow::on_BrightSlider_sliderMoved(int position)
{
    ui->BrightNumber->setText(QString::number(position, 10));
    ui->BrightNumber->repaint();
}

void MainWindow::on_arcH_clicked()
{
    sendCommand(spec(Command::ArcH),
                {ui->arcRadius->value(), ui->arcBegin->value(), ui->arcEnd->value()});
}

void MainWindow::on_boxH_clicked()
{
    sendCommand(spec(Command::BoxH), {ui->boxHX->value(), ui->boxHY->value()});
}

void MainWindow::on_boxHFill_clicked()
{
    sendCommand(spec(Command::BoxHFill), {ui->boxHFillX->value(), ui->boxHFillY->value()});
}

void MainWindow::on_circleRH_clicked()
{
    sendCommand(spec(Command::CircleRH), {ui->circleRHRadius->value()});
}

void MainWindow::on_H_LINEH_clicked()
{
    sendCommand(spec(Command::HLineH), {ui->H_LINEHX->value()});
}

void MainWindow::on_V_LINE_clicked()
{
    sendCommand(spec(Command::VLine), {ui->VLINEY->value()});
}

void MainWindow::on_LINE_TO_XHY_clicked()
{
    sendCommand(spec(Command::LineToXHY), {ui->LINE_TO_X->value(), ui->LINE_TO_Y->value()});
}

void MainWindow::on_sdPutIcon_clicked()
{
    sendCommand(spec(Command::SdPutIcon), {}, ui->sdPutIconFile->text());
}

void MainWindow::on_sdPutIconFile_returnPressed()
{
    ui->sdPutIcon->click();
}

void MainWindow::on_put_sf_icon_clicked()
{
    sendCommand(spec(Command::PutSfIcon), {ui->PUT_SF_ICON_NO->value()});
}

void MainWindow::on_captureScreen_clicked()
{
    sendCommand(spec(Command::CaptureScreen));
}

void MainWindow::on_setLayer0_clicked()
{
    checkOnly(ui->setLayer0, {ui->setLayer0, ui->setLayer1});
    sendCommand(spec(Command::SetLayer), {0});
}

void MainWindow::on_setLayer1_clicked()
{
    checkOnly(ui->setLayer1, {ui->setLayer0, ui->setLayer1});
    sendCommand(spec(Command::SetLayer), {1});
}

void MainWindow::showLayer(int layer, bool visible, QAbstractButton *visibleButton,
                           QAbstractButton *hideButton)
{
    checkOnly(visible ? visibleButton : hideButton, {visibleButton, hideButton});
    sendCommand(spec(Command::LayerVisibility), {layer, visible ? layerShown : layerHidden});
}

void MainWindow::on_setLayerVisible0_clicked()
{
    showLayer(0, true, ui->setLayerVisible0, ui->setHideLayer0);
}

void MainWindow::on_setLayerVisible1_clicked()
{
    showLayer(1, true, ui->setLayerVisible1, ui->setHideLayer1);
}

void MainWindow::on_setHideLayer0_clicked()
{
    showLayer(0, false, ui->setLayerVisible0, ui->setHideLayer0);
}

void MainWindow::on_setHideLayer1_clicked()
{
    showLayer(1, false, ui->setLayerVisible1, ui->setHideLayer1);
}

void MainWindow::on_setColorKey_clicked()
{
    sendCommand(spec(Command::ColorKey), {parseColorKey(ui->colorKeyValue->text())});
}

// The flag only records which button was clicked last; the module is never asked.
void MainWindow::setMode(bool extended)
{
    showMode(extended);
    sendCommand(spec(extended ? Command::ExtendedMode : Command::StandardMode));
}

void MainWindow::showMode(bool extended)
{
    extendedModeOn = extended ? 1 : 0;
    QAbstractButton *const chosen = extended ? ui->setExtendedMode : ui->setStandardMode;
    QAbstractButton *const partner = extended ? ui->setStandardMode : ui->setExtendedMode;
    checkOnly(chosen, {partner, chosen});
}

void MainWindow::on_setStandardMode_clicked()
{
    setMode(false);
}

void MainWindow::on_setExtendedMode_clicked()
{
    setMode(true);
}

void MainWindow::on_buzzerOn_clicked()
{
    sendCommand(spec(Command::BuzzerOn));
}

void MainWindow::on_buzzerOff_clicked()
{
    sendCommand(spec(Command::BuzzerOff));
}

void MainWindow::on_buzzerBeep_clicked()
{
    sendCommand(spec(Command::Beep), {beepDuration});
}

void MainWindow::on_ping_clicked()
{
    sendCommand(spec(Command::Ping));
}

// Same byte as "Reset Vexel", but the answer is left to the log pane.
void MainWindow::on_getSerial_clicked()
{
    sendCommand(spec(Command::GetSerial));
}

void MainWindow::on_resetVEXEL_clicked()
{
    sendCommand(spec(Command::ResetVexel));
}

void MainWindow::on_ShowSettings_clicked()
{
    sendCommand(spec(Command::ShowSettings));
}

void MainWindow::on_GETVERSION_clicked()
{
    sendCommand(spec(Command::GetVersion));
}

// A command sent from elsewhere than its button, by a script: the page's
// checked buttons follow it as they follow their own clicks.
void MainWindow::showSentState(Command id, const ArgValues &values)
{
    const qint64 first = values.value(0);
    switch (id) {
    case Command::ExtendedMode:
    case Command::StandardMode:
        showMode(id == Command::ExtendedMode);
        break;
    case Command::SetNorth:
    case Command::SetEast:
    case Command::SetSouth:
    case Command::SetWest: {
        QAbstractButton *const directions[] = {ui->setNorth, ui->setEast, ui->setSouth,
                                               ui->setWest};
        checkDirection(ui, directions[int(id) - int(Command::SetNorth)]);
        break;
    }
    case Command::SetLayer:
        if (first == 0 || first == 1)
            checkOnly(first ? ui->setLayer1 : ui->setLayer0, {ui->setLayer0, ui->setLayer1});
        break;
    case Command::LayerVisibility: {
        if (first != 0 && first != 1)
            break;
        QAbstractButton *const shown = first ? ui->setLayerVisible1 : ui->setLayerVisible0;
        QAbstractButton *const hidden = first ? ui->setHideLayer1 : ui->setHideLayer0;
        checkOnly(values.value(1) == layerShown ? shown : hidden, {shown, hidden});
        break;
    }
    default:
        break;
    }
}

// Touch buttons, touch protocol, calibration and the demo sequence.
#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "commands/colors.h"
#include "commands/frames.h"
#include "commands/portwriter.h"
#include "script/scriptpage.h"

namespace {
// The demo lays out four 32-pixel buttons side by side, button n showing
// images n + 2 in every state.
constexpr int demoButtonCount = 4;
constexpr int demoButtonSize = 32;
constexpr int demoFirstImage = 2;
} // namespace

// The frame is shown in serialNumber so it can be checked against the module's
// manual without a line monitor.
void MainWindow::sendButtonFrame(const CommandSpec &command, const ArgValues &values)
{
    ui->serialNumber->setText(QString::fromLatin1(sendCommand(command, values).toHex()));
}

void MainWindow::on_buttonDef_clicked()
{
    // The module numbers the states from 1 ("Up"); the combo box from 0.
    sendButtonFrame(spec(Command::ButtonDef),
                    {ui->buttonDefNo->value(), ui->buttonDefInitState->currentIndex() + 1,
                     ui->buttonDefUp->value(), ui->buttonDefDown->value(),
                     ui->buttonDefDisabled->value(), ui->buttonDefX->value(),
                     ui->buttonDefY->value(), ui->buttonDefW->value(), ui->buttonDefH->value()});
}

void MainWindow::on_buttonState_clicked()
{
    sendButtonFrame(spec(Command::ButtonState),
                    {ui->buttonStateNo->value(), ui->buttonStateAction->currentIndex()});
}

void MainWindow::on_touchProtocol_clicked()
{
    const std::pair<QAbstractButton *, TouchProtocolCode> choices[] = {
        {ui->TPvxButton, touchVxButton},
        {ui->TPcuButton, touchCuButton},
        {ui->TPCalibratedXY, touchCalibratedXY},
        {ui->TPNone, touchNone},
    };
    TouchProtocolCode protocol = touchNone;
    for (const auto &[button, code] : choices) {
        if (button->isChecked()) {
            protocol = code;
            break;
        }
    }
    sendCommand(spec(Command::TouchProtocol), {protocol});
}

void MainWindow::on_calibrateTouch_clicked()
{
    sendCommand(spec(Command::CalibrateTouch));
}

// Clicks run the other slots at once, exactly as if the user had clicked.
void MainWindow::on_demo_clicked()
{
    // Clear to black and draw in white: one write, not logged, textColor kept.
    const std::pair<Command, ArgValues> opening[] = {{Command::SetColorH, {rgb565(Qt::black)}},
                                                     {Command::Cls, {}},
                                                     {Command::SetColorH, {rgb565(Qt::white)}}};
    QByteArray write;
    for (const auto &[id, values] : opening) {
        write += commandFrame(id, values);
        scripts->recordCommand(id, values, {}, extendedModeOn != 0);
    }
    commandWriter()->send(write);

    ui->spinX->setValue(0);
    ui->spinY->setValue(0);
    ui->setXHY->click();

    ui->TPvxButton->setChecked(true);
    ui->touchProtocol->click();

    for (int n = 0; n < demoButtonCount; ++n) {
        ui->buttonDefNo->setValue(n);
        ui->buttonDefUp->setValue(n + demoFirstImage);
        ui->buttonDefDown->setValue(n + demoFirstImage);
        ui->buttonDefDisabled->setValue(n + demoFirstImage);
        ui->buttonDefX->setValue(demoButtonSize * n);
        ui->buttonDefY->setValue(0);
        ui->buttonDefW->setValue(demoButtonSize);
        ui->buttonDefH->setValue(demoButtonSize);
        ui->buttonDef->click();
    }
}

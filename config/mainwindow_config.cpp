// "Startup Settings" page and the Config.txt writer and reader.
#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "assets/assettables.h"
#include "config/cardpath.h"
#include "config/configreader.h"
#include "config/configtext.h"
#include "files/safefile.h"

#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace {

QRadioButton *button(Ui::MainWindow &ui, UsbMode mode)
{
    return mode == UsbMode::Msd ? ui.msdMode : ui.cdcMode;
}

QRadioButton *button(Ui::MainWindow &ui, StartScreen screen)
{
    switch (screen) {
    case StartScreen::Image:
        return ui.SSImage;
    case StartScreen::Color:
        return ui.SSColor;
    case StartScreen::Default:
        break;
    }
    return ui.SSDefault;
}

QRadioButton *button(Ui::MainWindow &ui, TouchMode mode)
{
    switch (mode) {
    case TouchMode::VxButton:
        return ui.vxButton;
    case TouchMode::CuButton:
        return ui.cuButton;
    case TouchMode::CalibratedXY:
        break;
    }
    return ui.CalibratedXY;
}

QRadioButton *button(Ui::MainWindow &ui, Transmitter transmitter)
{
    switch (transmitter) {
    case Transmitter::Usb:
        return ui.TransmitterUSB;
    case Transmitter::Spi:
        return ui.TransmitterSPI;
    case Transmitter::I2c:
        return ui.TransmitterI2C;
    case Transmitter::Serial:
        break;
    }
    return ui.TransmitterSerial;
}

template <typename Choice>
Choice checkedChoice(Ui::MainWindow &ui, std::initializer_list<Choice> choices)
{
    for (Choice choice : choices) {
        if (button(ui, choice)->isChecked())
            return choice;
    }
    return *choices.begin();
}

} // namespace

StartupSettings MainWindow::startupSettings() const
{
    StartupSettings settings;
    settings.extendedMode = ui->extendedMode->isChecked();
    settings.usbMode = checkedChoice(*ui, {UsbMode::Cdc, UsbMode::Msd});
    settings.backlightOn = ui->BackLightOn->isChecked();
    settings.brightness = ui->Brightness->value();
    settings.startScreen =
        checkedChoice(*ui, {StartScreen::Default, StartScreen::Image, StartScreen::Color});
    settings.imageNumber = ui->SSImageNumber->value();
    settings.imageX = ui->SSX->value();
    settings.imageY = ui->SSY->value();
    settings.fill = startScreenFill;
    settings.touch =
        checkedChoice(*ui, {TouchMode::CalibratedXY, TouchMode::VxButton, TouchMode::CuButton});
    settings.baudRate = ui->SerialBaudRate->currentText();
    settings.transmitter = checkedChoice(
        *ui, {Transmitter::Serial, Transmitter::Usb, Transmitter::Spi, Transmitter::I2c});
    return settings;
}

// The page as the command-line tool reads the same file: one rule for both.
// Radio buttons set here do not run the start-screen handlers: only an
// "Image" start screen changes whether the image fields are enabled.
void MainWindow::applyStartupUpdate(const StartupUpdate &update)
{
    showStartupSettings(settingsAfter(startupSettings(), update));
    if (update.enableImageFields)
        setImageFieldsEnabled(true);
}

void MainWindow::showStartupSettings(const StartupSettings &settings)
{
    button(*ui, settings.transmitter)->setChecked(true);
    ui->extendedMode->setChecked(settings.extendedMode);
    button(*ui, settings.touch)->setChecked(true);
    ui->BackLightOn->setChecked(settings.backlightOn);
    ui->Brightness->setValue(settings.brightness);
    button(*ui, settings.startScreen)->setChecked(true);
    ui->SSImageNumber->setValue(settings.imageNumber);
    ui->SSX->setValue(settings.imageX);
    ui->SSY->setValue(settings.imageY);
    button(*ui, settings.usbMode)->setChecked(true);
    const int rate = ui->SerialBaudRate->findText(settings.baudRate);
    if (rate >= 0)
        ui->SerialBaudRate->setCurrentIndex(rate);
    startScreenFill = settings.fill;
}

void MainWindow::setImageFieldsEnabled(bool enabled)
{
    ui->SSImageNumber->setEnabled(enabled);
    ui->SSX->setEnabled(enabled);
    ui->SSY->setEnabled(enabled);
}

QStringList MainWindow::cardPaths(const QStringList &hostPaths) const
{
    QStringList paths;
    for (const QString &path : hostPaths)
        paths.append(cardPathOn(path, cardRoot));
    return paths;
}

void MainWindow::on_GenerateConfig_clicked()
{
    const StartupSettings settings = startupSettings();
    ui->ConfigOut->clear();
    ui->ConfigOut->insertPlainText(
        configText(settings, cardPaths(lists.fontPaths()), cardPaths(lists.imagePaths())));
    lists.rebuildFlashBlocks(settings);
}

void MainWindow::on_SSDefault_clicked()
{
    if (ui->SSDefault->isChecked())
        setImageFieldsEnabled(false);
}

void MainWindow::on_SSImage_clicked()
{
    if (ui->SSImage->isChecked())
        setImageFieldsEnabled(true);
}

void MainWindow::on_SSColor_clicked()
{
    if (ui->SSColor->isChecked())
        setImageFieldsEnabled(false);
}

void MainWindow::on_startScreenColor_clicked()
{
    // A cancelled dialog returns an invalid colour, which is written as black.
    startScreenFill = QColorDialog::getColor(Qt::black, this, tr("Text Color"));
}

void MainWindow::on_openConfigFile_clicked()
{
    const QString path = QFileDialog::getOpenFileName(this, tr("Open Config File"), QString(),
                                                      tr("Config Files (*.txt)"));
    if (path.isEmpty())
        return;
    const ConfigReading reading = readConfigFile(path);
    if (!reading.file) {
        showStatus(reading.error);
        return;
    }
    tables->emptyFonts();
    tables->emptyImages();
    ui->ConfigOut->clear();
    ui->ConfigOut->insertPlainText(reading.file->text);
    cardRoot = QFileInfo(path).absolutePath();

    AddReport fonts;
    for (const QString &font : reading.file->fontPaths)
        tables->addFont(font, AssetTables::Listing::FromConfig, fonts);
    AddReport images;
    for (const QString &image : reading.file->imagePaths)
        tables->addImage(image, AssetTables::Listing::FromConfig, images);
    applyStartupUpdate(reading.file->startup);
    showStatus(QStringLiteral("Loaded %1: %2; %3")
                   .arg(QFileInfo(path).fileName(), fonts.text(QStringLiteral("font")),
                        images.text(QStringLiteral("image"))));
}

void MainWindow::on_actionSaveConfig_triggered()
{
    const QString start = cardRoot.isEmpty() ? QStringLiteral("Config.txt")
                                             : cardRoot + QStringLiteral("/Config.txt");
    const QString path = QFileDialog::getSaveFileName(this, tr("Save Config.txt"), start,
                                                      tr("Config Files (*.txt)"));
    if (path.isEmpty())
        return;
    // The text exactly as shown, edits included; the pane keeps line feeds.
    QString error;
    if (writeFileSafely(path, ui->ConfigOut->toPlainText().toUtf8(), error))
        showStatus(QStringLiteral("Saved %1").arg(QDir::toNativeSeparators(path)));
    else
        showStatus(error);
}

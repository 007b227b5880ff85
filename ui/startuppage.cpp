#include "ui/startuppage.h"
#include "ui_mainwindow.h"

#include "config/configreader.h"
#include "config/startupsettings.h"
#include "preview/rendercontext.h"
#include "preview/startscreen.h"

#include <QColorDialog>

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

StartupPage::StartupPage(Ui::MainWindow &form, const AssetLists &lists, QWidget *window)
    : QObject(window), ui(form), window(window), lists(lists),
      startContext(std::make_unique<preview::RenderContext>())
{
    setObjectName(QStringLiteral("startupPage"));
    // Only an "Image" start screen takes an image number and position.
    connect(ui.SSDefault, &QAbstractButton::clicked, this, [this] {
        if (ui.SSDefault->isChecked())
            setImageFieldsEnabled(false);
    });
    connect(ui.SSImage, &QAbstractButton::clicked, this, [this] {
        if (ui.SSImage->isChecked())
            setImageFieldsEnabled(true);
    });
    connect(ui.SSColor, &QAbstractButton::clicked, this, [this] {
        if (ui.SSColor->isChecked())
            setImageFieldsEnabled(false);
    });
    // A cancelled dialog returns an invalid colour, which is written as black.
    connect(ui.startScreenColor, &QAbstractButton::clicked, this, [this] {
        setStartScreenFill(QColorDialog::getColor(Qt::black, this->window, tr("Text Color")));
    });
    // The start screen follows every setting it depends on at once.
    for (QAbstractButton *choice :
         {static_cast<QAbstractButton *>(ui.SSDefault), static_cast<QAbstractButton *>(ui.SSImage),
          static_cast<QAbstractButton *>(ui.SSColor),
          static_cast<QAbstractButton *>(ui.BackLightOn)})
        connect(choice, &QAbstractButton::toggled, this, &StartupPage::showStartScreen);
    for (QSpinBox *number : {ui.Brightness, ui.SSImageNumber, ui.SSX, ui.SSY})
        connect(number, QOverload<int>::of(&QSpinBox::valueChanged), this,
                &StartupPage::showStartScreen);
    ui.label_5->setAlignment(Qt::AlignCenter);
}

StartupPage::~StartupPage() = default;

void StartupPage::setStartScreenFill(const QColor &color)
{
    fill = color;
    showStartScreen();
}

void StartupPage::refreshStartScreen()
{
    startContext->setLists(lists);
    showStartScreen();
}

void StartupPage::showStartScreen()
{
    ui.label_5->setPixmap(QPixmap::fromImage(preview::startScreen(settings(), *startContext)));
}

StartupSettings StartupPage::settings() const
{
    StartupSettings settings;
    settings.extendedMode = ui.extendedMode->isChecked();
    settings.usbMode = checkedChoice(ui, {UsbMode::Cdc, UsbMode::Msd});
    settings.backlightOn = ui.BackLightOn->isChecked();
    settings.brightness = ui.Brightness->value();
    settings.startScreen =
        checkedChoice(ui, {StartScreen::Default, StartScreen::Image, StartScreen::Color});
    settings.imageNumber = ui.SSImageNumber->value();
    settings.imageX = ui.SSX->value();
    settings.imageY = ui.SSY->value();
    settings.fill = fill;
    settings.touch =
        checkedChoice(ui, {TouchMode::CalibratedXY, TouchMode::VxButton, TouchMode::CuButton});
    settings.baudRate = ui.SerialBaudRate->currentText();
    settings.transmitter = checkedChoice(
        ui, {Transmitter::Serial, Transmitter::Usb, Transmitter::Spi, Transmitter::I2c});
    return settings;
}

// Radio buttons set here do not run the start-screen handlers: only an
// "Image" start screen changes whether the image fields are enabled.
void StartupPage::apply(const StartupUpdate &update)
{
    show(settingsAfter(settings(), update));
    if (update.enableImageFields)
        setImageFieldsEnabled(true);
}

void StartupPage::show(const StartupSettings &settings)
{
    button(ui, settings.transmitter)->setChecked(true);
    ui.extendedMode->setChecked(settings.extendedMode);
    button(ui, settings.touch)->setChecked(true);
    ui.BackLightOn->setChecked(settings.backlightOn);
    ui.Brightness->setValue(settings.brightness);
    button(ui, settings.startScreen)->setChecked(true);
    ui.SSImageNumber->setValue(settings.imageNumber);
    ui.SSX->setValue(settings.imageX);
    ui.SSY->setValue(settings.imageY);
    button(ui, settings.usbMode)->setChecked(true);
    const int rate = ui.SerialBaudRate->findText(settings.baudRate);
    if (rate >= 0)
        ui.SerialBaudRate->setCurrentIndex(rate);
    setStartScreenFill(settings.fill);
}

void StartupPage::setImageFieldsEnabled(bool enabled)
{
    ui.SSImageNumber->setEnabled(enabled);
    ui.SSX->setEnabled(enabled);
    ui.SSY->setEnabled(enabled);
}

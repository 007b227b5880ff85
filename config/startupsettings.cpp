#include "config/startupsettings.h"

QString usbModeWord(UsbMode mode)
{
    return mode == UsbMode::Msd ? QStringLiteral("MSD") : QStringLiteral("CDC");
}

QString startScreenWord(StartScreen screen)
{
    switch (screen) {
    case StartScreen::Image:
        return QStringLiteral("Image");
    case StartScreen::Color:
        return QStringLiteral("Color");
    case StartScreen::Default:
        break;
    }
    return QStringLiteral("Default");
}

QString touchModeWord(TouchMode mode)
{
    switch (mode) {
    case TouchMode::VxButton:
        return QStringLiteral("vxButton");
    case TouchMode::CuButton:
        return QStringLiteral("cuButton");
    case TouchMode::CalibratedXY:
        break;
    }
    return QStringLiteral("CalibratedXY");
}

QString transmitterWord(Transmitter transmitter)
{
    switch (transmitter) {
    case Transmitter::Usb:
        return QStringLiteral("USB");
    case Transmitter::Spi:
        return QStringLiteral("SPI");
    case Transmitter::I2c:
        return QStringLiteral("I2C");
    case Transmitter::Serial:
        break;
    }
    return QStringLiteral("Serial");
}

const QList<quint32> &baudRates()
{
    static const QList<quint32> rates = {9600,  14400,  19200,  28800,  38400, 57600,
                                         76800, 115200, 230400, 460800, 921600};
    return rates;
}

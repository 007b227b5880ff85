#ifndef STARTUPSETTINGS_H
#define STARTUPSETTINGS_H

#include <QColor>
#include <QString>

enum class UsbMode
{
    Cdc,
    Msd
};
enum class StartScreen
{
    Default,
    Image,
    Color
};
enum class TouchMode
{
    VxButton,
    CuButton,
    CalibratedXY
};
enum class Transmitter
{
    Usb,
    Serial,
    Spi,
    I2c
};

// The "Startup Settings" page as plain values. The defaults are the page as
// the window opens, so a default-constructed value is the bench's start state.
struct StartupSettings
{
    bool extendedMode = false;
    UsbMode usbMode = UsbMode::Cdc;
    bool backlightOn = true;
    int brightness = 128;
    StartScreen startScreen = StartScreen::Default;
    int imageNumber = 0;
    int imageX = 0;
    int imageY = 0;
    QColor fill; // invalid until one is chosen; written as black while invalid
    TouchMode touch = TouchMode::CalibratedXY;
    QString baudRate = QStringLiteral("115200");
    Transmitter transmitter = Transmitter::Serial;
};

// The words Config.txt uses for each choice; the reader looks for the same words.
QString usbModeWord(UsbMode mode);
QString startScreenWord(StartScreen screen);
QString touchModeWord(TouchMode mode);
QString transmitterWord(Transmitter transmitter);

// Ranges of the page's number fields, all from 0. The window gives its spin
// boxes these limits, and a Config.txt read without a window is held to them.
namespace StartupLimit {
constexpr int brightness = 255;
constexpr int imageNumber = 255;
constexpr int imageX = 320; // the module's screen
constexpr int imageY = 240;
} // namespace StartupLimit

// The rates of the "Serial Port Baud Rate" box, in the box's order.
const QList<quint32> &baudRates();

#endif // STARTUPSETTINGS_H

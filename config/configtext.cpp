#include "config/configtext.h"

#include "commands/colors.h"
#include "config/configkeys.h"

namespace {

// The module parses "key = value" lines ended by a bare line feed.
QString line(const char *key, const QString &value)
{
    return QLatin1String(key) + QLatin1String(" = ") + value + QLatin1Char('\n');
}

QString line(const char *key, int value)
{
    return line(key, QString::number(value));
}

QString section(const char *name)
{
    return QLatin1Char('[') + QLatin1String(name) + QLatin1String("]\n");
}

QString listSection(const char *name, const QStringList &paths)
{
    QString text = section(name);
    for (int i = 0; i < paths.size(); ++i)
        text += QStringLiteral("%1").arg(i, 3, 10, QLatin1Char('0')) + QLatin1String(" = ") +
                paths.at(i) + QLatin1Char('\n');
    return text;
}

QString startScreenLines(const StartupSettings &settings)
{
    QString text = line(ConfigKey::startScreen, startScreenWord(settings.startScreen));
    if (settings.startScreen == StartScreen::Image) {
        text += line(ConfigKey::imageNumber, settings.imageNumber);
        text += line(ConfigKey::imageX, settings.imageX);
        text += line(ConfigKey::imageY, settings.imageY);
    } else if (settings.startScreen == StartScreen::Color) {
        text += line(ConfigKey::startScreenColor, rgb565(settings.fill));
    }
    return text;
}

QString startupSection(const StartupSettings &settings)
{
    QString text = section(ConfigKey::startupSection);
    if (settings.extendedMode)
        text += line(ConfigKey::extendedMode, QLatin1String(ConfigKey::on));
    text += line(ConfigKey::usbMode, usbModeWord(settings.usbMode));
    text += line(ConfigKey::backlight,
                 QLatin1String(settings.backlightOn ? ConfigKey::on : ConfigKey::off));
    text += line(ConfigKey::brightness, settings.brightness);
    text += startScreenLines(settings);
    text += line(ConfigKey::touchScreen, touchModeWord(settings.touch));
    text += line(ConfigKey::serialBaudRate, settings.baudRate);
    text += line(ConfigKey::transmitter, transmitterWord(settings.transmitter));
    return text;
}

} // namespace

QString configText(const StartupSettings &settings, const QStringList &fontCardPaths,
                   const QStringList &imageCardPaths)
{
    return QStringLiteral("#\n# Vexel900 Config.txt\n#\n") + startupSection(settings) +
           listSection(ConfigKey::fontsSection, fontCardPaths) +
           listSection(ConfigKey::imagesSection, imageCardPaths);
}

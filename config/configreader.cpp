#include "config/configreader.h"

#include "commands/colors.h"
#include "config/configkeys.h"
#include "files/plainfile.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace {

// Hundreds of list lines fit in a few dozen kilobytes; anything this large is
// not a Config.txt and would only stall the text pane.
constexpr qint64 maxConfigFileSize = 1024 * 1024;
constexpr quint32 unsetImageValue = 9999;

QString valueOf(const QHash<QString, QString> &values, const char *key, const char *fallback)
{
    return values.value(QString::fromLatin1(key).toLower(), QString::fromLatin1(fallback));
}

quint32 numberOf(const QHash<QString, QString> &values, const char *key, const char *fallback)
{
    return valueOf(values, key, fallback).toUInt(); // 0 when not a number
}

// The last word found wins, as when the matching radio buttons are checked in turn.
template <typename Choice>
std::optional<Choice> lastWordFound(const QString &value, std::initializer_list<Choice> choices,
                                    QString (*word)(Choice))
{
    std::optional<Choice> found;
    for (Choice choice : choices) {
        if (value.contains(word(choice)))
            found = choice;
    }
    return found;
}

std::optional<int> imageValue(const QHash<QString, QString> &values, const char *key)
{
    const QByteArray unset = QByteArray::number(unsetImageValue);
    const quint16 value = quint16(numberOf(values, key, unset.constData()));
    if (value == unsetImageValue)
        return std::nullopt;
    return value;
}

// The colour whose word is the key's value; the word holds only 5-6-5 bits,
// so they are widened back to 8 bits and give the same word when written.
std::optional<QColor> fillOf(const QHash<QString, QString> &values)
{
    bool isNumber = false;
    const uint word = valueOf(values, ConfigKey::startScreenColor, "").toUInt(&isNumber);
    if (!isNumber || word > 0xFFFF)
        return std::nullopt;
    return colorOfWord(quint16(word));
}

std::optional<int> baudRateIndex(quint32 rate)
{
    const int index = baudRates().indexOf(rate);
    return index < 0 ? std::nullopt : std::optional<int>(index);
}

QString settingText(const QVariant &value)
{
    // An unquoted comma makes the settings library split a value into a list.
    if (value.userType() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

QString findGroup(const QSettings &settings, const char *name)
{
    const QStringList groups = settings.childGroups();
    for (const QString &group : groups) {
        if (group.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            return group;
    }
    return QString();
}

// The group's direct keys in the library's order (sorted by key text) with their values.
QList<QPair<QString, QString>> groupEntries(QSettings &settings, const char *name)
{
    QList<QPair<QString, QString>> entries;
    const QString group = findGroup(settings, name);
    if (group.isEmpty())
        return entries;
    settings.beginGroup(group);
    const QStringList keys = settings.childKeys();
    for (const QString &key : keys)
        entries.append({key, settingText(settings.value(key))});
    settings.endGroup();
    return entries;
}

QStringList listPaths(QSettings &settings, const char *name, const QString &folder)
{
    QStringList paths;
    const auto entries = groupEntries(settings, name);
    for (const auto &entry : entries)
        paths.append(listEntryPath(folder, entry.second));
    return paths;
}

QHash<QString, QString> startupValues(QSettings &settings)
{
    QHash<QString, QString> values;
    const auto entries = groupEntries(settings, ConfigKey::startupSection);
    for (const auto &entry : entries)
        values.insert(entry.first.toLower(), entry.second);
    return values;
}

bool hasConfigSection(const QSettings &settings)
{
    return !findGroup(settings, ConfigKey::startupSection).isEmpty() ||
           !findGroup(settings, ConfigKey::fontsSection).isEmpty() ||
           !findGroup(settings, ConfigKey::imagesSection).isEmpty();
}

} // namespace

StartupUpdate startupUpdate(const QHash<QString, QString> &values)
{
    using namespace ConfigKey;
    StartupUpdate update;
    update.transmitter =
        lastWordFound(valueOf(values, transmitter, "Serial"),
                      {Transmitter::Serial, Transmitter::Spi, Transmitter::I2c}, transmitterWord);
    update.tickExtendedMode = valueOf(values, extendedMode, "").contains(QLatin1String(on));
    update.touch = lastWordFound(
        valueOf(values, touchScreen, "CalibratedXY"),
        {TouchMode::CalibratedXY, TouchMode::VxButton, TouchMode::CuButton}, touchModeWord);
    update.backlightOn = valueOf(values, backlight, "None").contains(QLatin1String(on));
    update.brightness = int(numberOf(values, brightness, "80") & 0xFF);

    const QString screen = valueOf(values, startScreen, "Default");
    update.startScreen = lastWordFound(
        screen, {StartScreen::Default, StartScreen::Image, StartScreen::Color}, startScreenWord);
    if (screen.contains(startScreenWord(StartScreen::Image))) {
        update.enableImageFields = true;
        update.imageNumber = imageValue(values, imageNumber);
        update.imageX = imageValue(values, imageX);
        update.imageY = imageValue(values, imageY);
    }
    update.usbMode =
        lastWordFound(valueOf(values, usbMode, "CDC"), {UsbMode::Cdc, UsbMode::Msd}, usbModeWord);
    update.baudRateIndex = baudRateIndex(numberOf(values, serialBaudRate, "115200"));
    update.fill = fillOf(values);
    return update;
}

StartupSettings settingsAfter(StartupSettings page, const StartupUpdate &update)
{
    page.transmitter = update.transmitter.value_or(page.transmitter);
    page.extendedMode = page.extendedMode || update.tickExtendedMode;
    page.touch = update.touch.value_or(page.touch);
    page.backlightOn = update.backlightOn;
    page.brightness = qBound(0, update.brightness, StartupLimit::brightness);
    page.startScreen = update.startScreen.value_or(page.startScreen);
    page.imageNumber =
        qBound(0, update.imageNumber.value_or(page.imageNumber), StartupLimit::imageNumber);
    page.imageX = qBound(0, update.imageX.value_or(page.imageX), StartupLimit::imageX);
    page.imageY = qBound(0, update.imageY.value_or(page.imageY), StartupLimit::imageY);
    page.usbMode = update.usbMode.value_or(page.usbMode);
    if (update.baudRateIndex)
        page.baudRate = QString::number(baudRates().at(*update.baudRateIndex));
    page.fill = update.fill.value_or(page.fill);
    return page;
}

QString listEntryPath(const QString &configFolder, const QString &value)
{
    const QString relative = value.startsWith(QLatin1Char('/')) ? value.mid(1) : value;
    return configFolder + QLatin1Char('/') + relative;
}

ConfigReading readConfigFile(const QString &path, const QString &cardRoot)
{
    const QString name = QFileInfo(path).fileName();
    QFile file(path);
    QString why;
    if (!openPlainFile(file, why))
        return {std::nullopt, QStringLiteral("Cannot read %1: %2").arg(name, why)};
    // One byte past the limit tells a file that is too large, however large it is.
    const QByteArray content = file.read(maxConfigFileSize + 1);
    if (content.size() > maxConfigFileSize)
        return {std::nullopt, QStringLiteral("%1 is too large to be a Config.txt").arg(name)};
    if (content.contains('\0'))
        return {std::nullopt, QStringLiteral("%1 is not a text file").arg(name)};

    QSettings settings(path, QSettings::IniFormat);
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    // Qt 6 always reads INI files as UTF-8; Qt 5 must be told.
    settings.setIniCodec("UTF-8");
#endif
    // A format error, such as a section header without its "]", still leaves
    // every setting the library made out, and those are read as always.
    if (!hasConfigSection(settings))
        return {std::nullopt,
                QStringLiteral("%1 has no [Startup], [Fonts] or [Images] section").arg(name)};

    const QString folder = cardRoot.isEmpty() ? QFileInfo(path).absolutePath()
                                              : QFileInfo(cardRoot).absoluteFilePath();
    ConfigFile config;
    config.text = QString::fromUtf8(content);
    config.fontPaths = listPaths(settings, ConfigKey::fontsSection, folder);
    config.imagePaths = listPaths(settings, ConfigKey::imagesSection, folder);
    config.startup = startupUpdate(startupValues(settings));
    return {config, QString()};
}

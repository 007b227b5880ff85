#ifndef CONFIGREADER_H
#define CONFIGREADER_H

#include "config/startupsettings.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

// What a Config.txt does to the "Startup Settings" page. The reader is more
// forgiving than the writer and leaves some widgets alone: empty optionals
// keep their widget as it is.
struct StartupUpdate
{
    std::optional<Transmitter> transmitter; // never USB
    bool tickExtendedMode = false;          // the box is ticked, never cleared
    std::optional<TouchMode> touch;
    bool backlightOn = false;
    int brightness = 0;
    std::optional<StartScreen> startScreen;
    bool enableImageFields = false; // "Image" found, whatever screen wins
    std::optional<int> imageNumber;
    std::optional<int> imageX;
    std::optional<int> imageY;
    std::optional<UsbMode> usbMode;
    std::optional<int> baudRateIndex; // index into baudRates()
    std::optional<QColor> fill;       // the solid start-screen colour, when "SSColor" gives one
};

// The page `page` after `update`, as the window's widgets end up: radio
// choices the update leaves open keep theirs, numbers are held to the
// fields' ranges.
StartupSettings settingsAfter(StartupSettings page, const StartupUpdate &update);

// The [Startup] values, keyed by lower-case key name; missing keys take the
// reader's defaults.
StartupUpdate startupUpdate(const QHash<QString, QString> &startupValues);

// A list entry's value as a host path: one leading "/" is dropped and the
// rest is taken from the folder of the Config.txt.
QString listEntryPath(const QString &configFolder, const QString &value);

struct ConfigFile
{
    QString text;
    StartupUpdate startup;
    QStringList fontPaths;
    QStringList imagePaths;
};

struct ConfigReading
{
    std::optional<ConfigFile> file; // empty when the file was refused
    QString error;                  // why it was refused
};

// Reads a Config.txt as an INI file. Files that cannot be read, are too large
// to be a Config.txt, are not text or have none of its sections are refused.
// List entries are taken from `cardRoot`, by default the file's own folder.
ConfigReading readConfigFile(const QString &path, const QString &cardRoot = QString());

#endif // CONFIGREADER_H

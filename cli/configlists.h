#ifndef CLI_CONFIGLISTS_H
#define CLI_CONFIGLISTS_H

#include "assets/assetlists.h"
#include "config/startupsettings.h"

#include <QString>
#include <QStringList>

// A Config.txt as the window's "Open Config File" takes it into a freshly
// started window: both lists in file order, and the start-up page it leaves.
struct ConfigLists
{
    AssetLists lists;
    StartupSettings settings;
    QStringList unreadable; // "path: why", one per listed file that could not be opened
    QStringList odd;        // "path: why", files read but not what their name says
};

// Fills `loaded` from the Config.txt at `configPath`, its listed paths taken
// from `root` (its own folder when empty). Returns one line saying why when
// the file is refused, the root is not a folder or a list names more files
// than the module's 255 slots: a flash image or card short of files must not
// pass as good.
QString loadConfigLists(const QString &configPath, const QString &root, ConfigLists &loaded);

#endif // CLI_CONFIGLISTS_H

#ifndef CONFIGTEXT_H
#define CONFIGTEXT_H

#include "config/startupsettings.h"

#include <QString>
#include <QStringList>

// The whole text of Config.txt: the [Startup] section from `settings`, then
// one numbered line per font and per image. The paths are written as given,
// so they must already be paths on the card (see cardPath()).
QString configText(const StartupSettings &settings, const QStringList &fontCardPaths,
                   const QStringList &imageCardPaths);

#endif // CONFIGTEXT_H

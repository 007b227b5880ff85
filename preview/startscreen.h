#ifndef PREVIEW_STARTSCREEN_H
#define PREVIEW_STARTSCREEN_H

#include "config/startupsettings.h"

#include <QImage>
#include <QString>

class AssetLists;

namespace preview {

class RenderContext;

// The screen a module flashed with these lists and settings shows as it
// starts: the start colour, the chosen image at its place, or the
// simulator's own greeting; as the glass shows it, through the backlight
// and brightness the settings give (ask with the backlight on at 255 for
// full colours). 320 x 240, as `vexelsim --flash` shows the same image.
QImage startScreen(const StartupSettings &settings, const AssetLists &lists,
                   const QString &cardFolder = {});
// The same with lists already read into a context, for a page that asks
// again on every change of a setting: only the header is made anew.
QImage startScreen(const StartupSettings &settings, const RenderContext &context);

} // namespace preview

#endif // PREVIEW_STARTSCREEN_H

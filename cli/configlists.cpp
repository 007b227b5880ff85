#include "cli/configlists.h"

#include "cli/console.h"
#include "config/configreader.h"

#include <QFileInfo>

namespace {

// A file that cannot be opened is missing from the image; one that opens but
// is not what its name says is packed all the same, as the window packs it.
template <typename File>
void noteProblem(const std::optional<File> &file, const QString &path, ConfigLists &loaded)
{
    if (!file || file->problem.isEmpty())
        return;
    QStringList &kind = file->opened ? loaded.odd : loaded.unreadable;
    kind.append(shown(path) + QStringLiteral(": ") + file->problem);
}

QString refusedProblem(const QString &configPath, const AddReport &fonts, const AddReport &images)
{
    QStringList refused;
    if (fonts.refused > 0)
        refused.append(refusedText(fonts.refused, QStringLiteral("font")));
    if (images.refused > 0)
        refused.append(refusedText(images.refused, QStringLiteral("image")));
    if (refused.isEmpty())
        return QString();
    return shown(configPath) + QStringLiteral(": ") + refused.join(QStringLiteral("; "));
}

} // namespace

QString loadConfigLists(const QString &configPath, const QString &root, ConfigLists &loaded)
{
    if (!root.isEmpty() && !QFileInfo(root).isDir())
        return QStringLiteral("%1: no such folder").arg(shown(root));
    const ConfigReading reading = readConfigFile(configPath, root);
    if (!reading.file)
        return reading.error;

    const ReaderNoiseMuted muted; // bitmaps are decoded for their dimensions
    AddReport fonts;
    for (const QString &path : reading.file->fontPaths)
        noteProblem(loaded.lists.addFontFile(path, fonts), path, loaded);
    AddReport images;
    for (const QString &path : reading.file->imagePaths)
        noteProblem(loaded.lists.addImageFile(path, images), path, loaded);
    // A fresh window's page, changed as reading the file changes it.
    loaded.settings = settingsAfter(StartupSettings{}, reading.file->startup);
    return refusedProblem(configPath, fonts, images);
}

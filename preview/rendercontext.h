#ifndef PREVIEW_RENDERCONTEXT_H
#define PREVIEW_RENDERCONTEXT_H

#include "config/startupsettings.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

class AssetLists;
class QTemporaryDir;

namespace vxsim {
class Module;
class SdCard;
} // namespace vxsim

namespace preview {

// What a script is rendered against: the images it may put on the screen
// and the lists and card its numbers and names are checked against. A
// plain value; copies share what was read.
class RenderContext
{
public:
    // As the simulator starts without options: no flash image, so
    // PUT_SF_ICON finds nothing and no number is checked, and an empty card.
    RenderContext() = default;

    // The lists as the window keeps them (or as a Config.txt gives them):
    // their files are read now into a flash image, as the bench packs it,
    // and font and image numbers are checked against them.
    void setLists(const AssetLists &lists);
    // sdPutIcon reads pictures from `folder`, and names are checked against
    // it. The preview's card is write-protected, so the folder stays as it
    // is whatever the script sends. Empty: an empty card, names unchecked.
    void setCardFolder(const QString &folder);

    bool hasLists() const { return listed.has_value(); }
    int fontCount() const { return listed ? listed->fonts : 0; }
    int imageCount() const { return listed ? listed->images : 0; }
    QString cardFolder() const { return folder; }
    // Whether the card holds a file or folder of that name (false without a folder).
    bool cardHas(const QByteArray &name) const;

    // A module just powered up in this context. Without `settings` it starts
    // as the simulator does when no flash image says otherwise; with them,
    // as one flashed with these lists and that header.
    std::unique_ptr<vxsim::Module>
    startModule(const std::optional<StartupSettings> &settings = std::nullopt) const;

private:
    struct Lists
    {
        int fonts = 0;
        int images = 0;
        QByteArray afterHeader; // the directories and the data area
    };

    std::unique_ptr<vxsim::SdCard> makeCard() const;
    QByteArray flashImage(const std::optional<StartupSettings> &settings) const;

    std::optional<Lists> listed;
    QString folder;
    mutable std::shared_ptr<QTemporaryDir> emptyCard; // made when first needed
};

// The start-up settings under which a flashed module starts as the
// simulator does without a flash image: backlight on at full brightness,
// its own start screen, standard mode, touch protocol vxButton.
StartupSettings simulatorStart();

} // namespace preview

#endif // PREVIEW_RENDERCONTEXT_H

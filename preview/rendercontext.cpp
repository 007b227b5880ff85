#include "preview/rendercontext.h"

#include "assets/assetlists.h"
#include "assets/flashblocks.h"
#include "assets/flashimage.h"

#include "sim/flashimage.h"
#include "sim/module.h"
#include "sim/modulelog.h"
#include "sim/sdcard.h"

#include <QTemporaryDir>

namespace preview {

StartupSettings simulatorStart()
{
    StartupSettings settings;
    settings.backlightOn = true;
    settings.brightness = StartupLimit::brightness;
    settings.startScreen = StartScreen::Default;
    settings.extendedMode = false;
    settings.touch = TouchMode::VxButton;
    return settings;
}

void RenderContext::setLists(const AssetLists &lists)
{
    const FlashBlocks blocks = flashBlocks(simulatorStart(), lists.fontList, lists.fontCount,
                                           lists.imageList, lists.imageCount);
    const QByteArray image = flashImageBytes(blocks, lists.flashDataFiles());
    listed = Lists{lists.fontCount, lists.imageCount, image.mid(blocks.header.size())};
}

void RenderContext::setCardFolder(const QString &cardFolder)
{
    folder = cardFolder;
}

bool RenderContext::cardHas(const QByteArray &name) const
{
    return !folder.isEmpty() && vxsim::SdCard(folder, true).exists(name);
}

std::unique_ptr<vxsim::SdCard> RenderContext::makeCard() const
{
    QString path = folder;
    if (path.isEmpty()) {
        // The simulator's default card: inserted and empty.
        if (!emptyCard)
            emptyCard = std::make_shared<QTemporaryDir>();
        path = emptyCard->path();
    }
    auto card = std::make_unique<vxsim::SdCard>(path, true);
    card->setWriteProtected(true);
    return card;
}

// The header's blocks follow from the settings alone; the directories and
// data were read once, with the lists.
QByteArray RenderContext::flashImage(const std::optional<StartupSettings> &settings) const
{
    const StartupSettings header = settings.value_or(simulatorStart());
    if (listed)
        return headerBlock(header) + listed->afterHeader;
    const FlashBlocks empty = flashBlocks(header, {}, 0, {}, 0);
    return empty.header + empty.fontDirectory + empty.imageDirectory;
}

std::unique_ptr<vxsim::Module>
RenderContext::startModule(const std::optional<StartupSettings> &settings) const
{
    // The preview names missing images and unknown bytes itself (findingsOf);
    // the module's own lines on standard error would only repeat them, on
    // every render of every edit.
    vxsim::showModuleMessages(false);
    std::optional<vxsim::FlashImage> flash;
    if (listed || settings) {
        QString error;
        flash = vxsim::FlashImage::fromBytes(flashImage(settings), &error);
        Q_ASSERT(flash); // the bench's own blocks always carry the signature
    }
    return std::make_unique<vxsim::Module>(makeCard(), std::move(flash));
}

} // namespace preview

#include "preview/startscreen.h"

#include "preview/rendercontext.h"

#include "sim/module.h"

namespace preview {

QImage startScreen(const StartupSettings &settings, const AssetLists &lists,
                   const QString &cardFolder)
{
    RenderContext context;
    context.setLists(lists);
    context.setCardFolder(cardFolder);
    return startScreen(settings, context);
}

QImage startScreen(const StartupSettings &settings, const RenderContext &context)
{
    return context.startModule(settings)->display().shown();
}

} // namespace preview

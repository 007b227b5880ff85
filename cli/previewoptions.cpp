#include "cli/previewoptions.h"

#include "cli/configlists.h"
#include "cli/console.h"

#include <QFile>
#include <QFileInfo>

#include <memory>

namespace {

const QString configOption = QStringLiteral("--config");
const QString cardOption = QStringLiteral("--card");
const QString extendedOption = QStringLiteral("--extended");

} // namespace

QVector<OptionSyntax> previewOptions()
{
    return {{configOption, QString(), QStringLiteral("Config.txt"), false},
            {cardOption, QString(), QStringLiteral("DIR"), false},
            {extendedOption, QString(), QString(), false}};
}

std::optional<preview::RenderContext> previewContext(const ParsedArguments &arguments,
                                                     const QString &command)
{
    preview::RenderContext context;
    const QString card = arguments.value(cardOption);
    if (arguments.isSet(cardOption)) {
        if (!QFileInfo(card).isDir()) {
            usageError(command, QStringLiteral("%1: no such folder").arg(shown(card)));
            return std::nullopt;
        }
        context.setCardFolder(card);
    }
    if (!arguments.isSet(configOption))
        return context;
    // Two full lists of entries: too much for the stack.
    auto loaded = std::make_unique<ConfigLists>();
    const QString problem = loadConfigLists(arguments.value(configOption), QString(), *loaded);
    if (!problem.isEmpty()) {
        printProblem(QStringLiteral("%1: %2").arg(command, problem));
        return std::nullopt;
    }
    for (const QString &line : loaded->unreadable)
        printWarning(line + QStringLiteral("; drawn as nothing"));
    context.setLists(loaded->lists);
    return context;
}

bool renderScriptFile(const QString &path, const ParsedArguments &arguments, const QString &command,
                      preview::ScreenRender &render)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        printProblem(
            QStringLiteral("%1: cannot read %2: %3").arg(command, shown(path), file.errorString()));
        return false;
    }
    render.setText(QString::fromUtf8(file.readAll()), QFileInfo(path).absolutePath(),
                   arguments.isSet(extendedOption));
    return true;
}

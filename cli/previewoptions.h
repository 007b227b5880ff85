#ifndef CLI_PREVIEWOPTIONS_H
#define CLI_PREVIEWOPTIONS_H

#include "cli/arguments.h"
#include "preview/screenrender.h"

#include <QString>

#include <optional>

// What check and render share: the lists and card a script is rendered
// against (--config, --card), its start mode (--extended), and reading it.
QVector<OptionSyntax> previewOptions();

// The context the options give, or nothing once the one line saying why
// is printed: a Config.txt that cannot be read, a card that is no folder.
// Listed files that cannot be read are warnings: their images stay blank.
std::optional<preview::RenderContext> previewContext(const ParsedArguments &arguments,
                                                     const QString &command);

// Renders the script file at `path`; false, with the line printed, when it
// cannot be read.
bool renderScriptFile(const QString &path, const ParsedArguments &arguments, const QString &command,
                      preview::ScreenRender &render);

#endif // CLI_PREVIEWOPTIONS_H

// vexelctl check: what a script draws, looked over before it is run.
#include "cli/commands.h"
#include "cli/console.h"
#include "cli/previewoptions.h"

#include "preview/checks.h"

#include <algorithm>

namespace {

const char *const checkHelp =
    R"(Usage: vexelctl check SCRIPT... [--config Config.txt] [--card DIR] [--extended]

Reads each command script and runs it through the simulated module, as
"vexelctl render" does, without a port, and prints what is worth a look,
one line each, as a compiler does:

  FILE:LINE:COLUMN: error: ...     a mistake in the script (nothing of it
                                   would be sent by "vexelctl run")
  FILE:LINE:COLUMN: warning: ...   drawing that falls outside the screen,
                                   text that runs off it, an image or a
                                   button reaching past its edge; a font or
                                   image number the lists lack; a file the
                                   card folder lacks; a touch button defined
                                   over another; bytes the module reads as
                                   no command

Each statement is named once for each kind of warning, at its first run.
With errors, the lines before the first are still checked. Text is judged
by its ink, buttons by their area. Font and image numbers are checked only
with --config, card files only with --card: without them nothing is known.

Options:
  --config Config.txt  the font and image lists of this Config.txt, its
                       paths taken from its folder; PUT_SF_ICON draws from
                       them as from the flash image the bench would pack
  --card DIR           the SD card's folder, for sdPutIcon; it is only read
                       (without it the card is empty)
  --extended           the module is in extended mode at the start: Y is a
                       16-bit word in SetXHY and LINE_TO_XHY
  -h, --help           show this text

The lines go to standard output; a script or Config.txt that cannot be read
is one line on standard error.

Exit status: 0 nothing found, 1 warnings only, 2 an error in a script, a
file that cannot be read, or a usage error.
)";

// check's own reading of the exit codes: what it found, at worst.
constexpr int foundWarnings = exitFailed;
constexpr int foundErrors = exitUsage;

int checkOne(const QString &path, const ParsedArguments &arguments,
             const preview::RenderContext &context)
{
    preview::ScreenRender render(context);
    if (!renderScriptFile(path, arguments, QStringLiteral("check"), render))
        return foundErrors;
    int status = exitDone;
    for (const preview::Finding &finding : preview::findingsOf(render)) {
        printLine(QStringLiteral("%1:%2:%3: %4: %5")
                      .arg(shown(path))
                      .arg(finding.pos.line)
                      .arg(finding.pos.column)
                      .arg(preview::severityWord(finding.severity), finding.message));
        const bool error = finding.severity == preview::Finding::Severity::Error;
        status = std::max(status, error ? foundErrors : foundWarnings);
    }
    return status;
}

int runCheck(const ParsedArguments &arguments)
{
    const std::optional<preview::RenderContext> context =
        previewContext(arguments, QStringLiteral("check"));
    if (!context)
        return exitUsage;
    int status = exitDone;
    for (const QString &path : arguments.arguments)
        status = std::max(status, checkOne(path, arguments, *context));
    return status;
}

} // namespace

Subcommand checkCommand()
{
    Subcommand command;
    command.name = QStringLiteral("check");
    command.summary = QStringLiteral("look over what command scripts draw, without a module");
    command.help = QString::fromUtf8(checkHelp);
    command.syntax.arguments = QStringList{QStringLiteral("SCRIPT")};
    command.syntax.repeats = true;
    command.syntax.options = previewOptions();
    command.run = runCheck;
    return command;
}

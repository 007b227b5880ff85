// vexelctl export: command scripts as code for a host's firmware.
#include "cli/commands.h"
#include "cli/console.h"

#include "hostcode/hostcode.h"

namespace {

const char *const exportHelp =
    R"(Usage: vexelctl export SCRIPT... --lang c|arduino|python -o DIR [--extended]

Writes command scripts as code for the firmware of a host that drives the
module itself, one function a script, named after its file
(1-drawing.vxscript becomes vexel_run_1_drawing, or run_1_drawing in
Python). Each function sends exactly the bytes "vexelctl run" sends, each
run of statements in one write, checks every reply the script expects
within its time, and returns 0, or the line of the first expectation that
failed. Touch buttons the script defines become constants
(VEXEL_1_DRAWING_BUTTON_1). Each screen "Main" has a function of its own,
vexel_draw_main (draw_main in Python), that sends what the screen sends
within the run, from the mode the run has there; the run calls it. The
buttons a screen names (buttonDef ... as "Start") become an enumeration of
their numbers (VEXEL_MAIN_BUTTON_START). Two screens of the scripts
exported, or two buttons of one screen, whose names give the same
identifier are a mistake at the later name. The local file of an SD_FILE_WRITE is put into
the code, up to 1 MiB.

  c        vexel_scripts.h and vexel_scripts.c, C99, on three functions the
           firmware supplies: vexel_write, vexel_read and vexel_delay_ms
  arduino  vexel_scripts.h and vexel_scripts.cpp, each function taking the
           module's Stream; the bytes stay in flash
  python   vexel_scripts.py, each function taking a serial.Serial (pyserial)

The files are wholly generated: their first line says so. Exporting again
replaces them, and only them: a file of one of those names that the export
did not write stops it, as does any mistake in any script, and then nothing
is written.

Options:
  --lang LANGUAGE   c, arduino or python
  -o, --output DIR  the folder for the files; made when missing
  --extended        every script's function starts with the module in
                    extended mode (Y is a 16-bit word in SetXHY and
                    LINE_TO_XHY); a screen's starts as the run has it
  -h, --help        show this text

Mistakes in a script are printed as FILE:LINE:COLUMN: message.

Exit status: 0 written, 1 the files could not be written, 2 a script error
or a usage error.
)";

QVector<hostcode::NamedScript> readScripts(const QStringList &paths, bool &readable)
{
    QVector<hostcode::NamedScript> scripts;
    readable = true;
    for (const QString &path : paths) {
        QString error;
        const std::optional<hostcode::NamedScript> named = hostcode::readNamedScript(path, error);
        if (named) {
            scripts.append(*named);
        } else {
            printProblem(QStringLiteral("export: ") + error);
            readable = false;
        }
    }
    return scripts;
}

// A script's mistakes go out as a compiler's do; anything else is one problem.
int reportProblems(const QVector<hostcode::ExportProblem> &problems)
{
    bool inScripts = false;
    for (const hostcode::ExportProblem &problem : problems) {
        if (problem.script.isEmpty()) {
            printProblem(QStringLiteral("export: ") + problem.message +
                         QStringLiteral("; nothing written"));
            continue;
        }
        inScripts = true;
        printText(problem.toString() + QLatin1Char('\n'), true);
    }
    return inScripts ? exitUsage : exitFailed;
}

int runExport(const ParsedArguments &arguments)
{
    const std::optional<hostcode::Language> language =
        hostcode::languageNamed(arguments.value(QStringLiteral("--lang")));
    if (!language)
        return usageError(QStringLiteral("export"),
                          QStringLiteral("--lang takes c, arduino or python"));
    bool readable = false;
    const QVector<hostcode::NamedScript> scripts = readScripts(arguments.arguments, readable);
    if (!readable)
        return exitUsage;
    hostcode::ExportOptions options;
    options.extendedAtStart = arguments.isSet(QStringLiteral("--extended"));
    options.makeFolder = true;
    const hostcode::ExportResult result = hostcode::exportScripts(
        scripts, *language, arguments.value(QStringLiteral("--output")), options);
    if (!result.ok())
        return reportProblems(result.problems);
    for (const QString &path : result.written)
        printLine(shown(path));
    return exitDone;
}

} // namespace

Subcommand exportCommand()
{
    Subcommand command;
    command.name = QStringLiteral("export");
    command.summary = QStringLiteral("write command scripts as C, Arduino or Python code");
    command.help = QString::fromUtf8(exportHelp);
    command.syntax.arguments = QStringList{QStringLiteral("SCRIPT")};
    command.syntax.repeats = true;
    command.syntax.options = {
        {QStringLiteral("--lang"), QString(), QStringLiteral("LANGUAGE"), true},
        {QStringLiteral("--output"), QStringLiteral("-o"), QStringLiteral("DIR"), true},
        {QStringLiteral("--extended"), QString(), QString(), false}};
    command.run = runExport;
    return command;
}

// vexelctl render: the screen a script leaves, as a PNG or against one.
#include "cli/commands.h"
#include "cli/console.h"
#include "cli/previewoptions.h"

#include "files/safefile.h"
#include "preview/imagediff.h"

#include <QImageReader>

namespace {

const char *const renderHelp =
    R"(Usage: vexelctl render SCRIPT -o SCREEN.png [--after LINE] [--scale N]
                       [--layer composed|0|1] [--config Config.txt] [--card DIR]
                       [--extended]
       vexelctl render SCRIPT --expect GOLDEN.png [-o SCREEN.png] [OPTIONS]

Runs a command script through the simulated module, without a port, and
writes the screen it leaves as a PNG of 320 x 240 pixels, laid out as the
panel is: the same pixels "vexelsim --snapshot" saves after the same bytes.
Waits and expectations take no time and expect nothing; "send" bytes go to
the module too. The card is only read: statements that would change it
fail, and SD_FILE_WRITE is left out.

With --expect the screen is compared with GOLDEN.png, pixel by pixel
(colours only). When they differ, one line says how many pixels and where,
and a picture of the difference is written beside SCREEN.png, or beside
GOLDEN.png without -o, named as it with .diff.png for .png: the rendered
screen dimmed to a third, every differing pixel pure red.

Options:
  -o, --output SCREEN.png  the PNG to write; replaced only once it is whole
  --expect GOLDEN.png      compare with this picture (at the --scale given)
  --after LINE             the screen as the run first goes past LINE: the
                           statements up to LINE have run, and in a repeat
                           around it, only its first round so far (0: the
                           screen before the script)
  --scale N                each pixel as N x N pixels, 1 to 16 (default 1)
  --layer composed|0|1     composed (default): what the glass shows, the
                           backlight included; 0 or 1: that layer as stored,
                           shown or not
  --config Config.txt      the font and image lists of this Config.txt, its
                           paths taken from its folder; PUT_SF_ICON draws
                           from them as from the flash image the bench packs
  --card DIR               the SD card's folder, for sdPutIcon; it is only
                           read (without it the card is empty)
  --extended               the module is in extended mode at the start
  -h, --help               show this text

A script with mistakes renders nothing: they are printed as
FILE:LINE:COLUMN: error: message ("vexelctl check" shows the rest).

Exit status: 0 written, or the same as GOLDEN.png; 1 different from
GOLDEN.png, or SCREEN.png could not be written; 2 a mistake in the script,
a file that cannot be read, or a usage error.
)";

const QString command = QStringLiteral("render");

struct RenderOptions
{
    QString output;
    QString golden;
    int afterLine = -1;
    int scale = 1;
    QString layer = QStringLiteral("composed");
};

// A whole number from `low` to `high`, or nothing.
std::optional<int> wholeNumber(const QString &text, int low, int high)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok && value >= low && value <= high ? std::optional<int>(value) : std::nullopt;
}

std::optional<RenderOptions> renderOptions(const ParsedArguments &arguments)
{
    RenderOptions options;
    options.output = arguments.value(QStringLiteral("--output"));
    options.golden = arguments.value(QStringLiteral("--expect"));
    QString problem;
    if (options.output.isEmpty() && options.golden.isEmpty())
        problem = QStringLiteral("give -o SCREEN.png, --expect GOLDEN.png or both");
    else if (!options.output.isEmpty() && !outputPathProblem(options.output).isEmpty())
        problem = shown(options.output) + QStringLiteral(": ") + outputPathProblem(options.output);
    if (arguments.isSet(QStringLiteral("--after"))) {
        const std::optional<int> line = wholeNumber(arguments.value("--after"), 0, INT_MAX);
        options.afterLine = line.value_or(-1);
        if (!line)
            problem = QStringLiteral("--after takes a line number, 0 or more");
    }
    if (arguments.isSet(QStringLiteral("--scale"))) {
        const std::optional<int> scale = wholeNumber(arguments.value("--scale"), 1, 16);
        options.scale = scale.value_or(1);
        if (!scale)
            problem = QStringLiteral("--scale takes a whole number from 1 to 16");
    }
    if (arguments.isSet(QStringLiteral("--layer")))
        options.layer = arguments.value(QStringLiteral("--layer"));
    if (!QStringList{"composed", "0", "1"}.contains(options.layer))
        problem = QStringLiteral("--layer takes composed, 0 or 1, not %1").arg(options.layer);
    if (!problem.isEmpty()) {
        usageError(command, problem);
        return std::nullopt;
    }
    return options;
}

QImage pictureOf(const preview::ScreenRender &render, const RenderOptions &options)
{
    const int steps =
        options.afterLine < 0 ? render.stepCount() : render.stepsThrough(options.afterLine);
    const preview::RenderedScreen screen = render.screenAfter(steps);
    const QImage picture = options.layer == QLatin1String("composed")
                               ? screen.shown()
                               : screen.layer(options.layer.toInt());
    return preview::scaledUp(picture.convertToFormat(QImage::Format_RGB32), options.scale);
}

bool savePicture(const QImage &picture, const QString &path)
{
    SafeFile file(path);
    if (file.open() && picture.save(&file.device(), "PNG") && file.commit())
        return true;
    printProblem(QStringLiteral("%1: cannot write %2: %3")
                     .arg(command, shown(path),
                          file.error().isEmpty() ? QStringLiteral("the PNG was not written")
                                                 : file.error()));
    return false;
}

// SCREEN.png gives SCREEN.diff.png, in the path's own form.
QString diffPath(const RenderOptions &options)
{
    QString path = options.output.isEmpty() ? options.golden : options.output;
    if (path.endsWith(QLatin1String(".png"), Qt::CaseInsensitive))
        path.chop(4);
    return path + QStringLiteral(".diff.png");
}

// 0 when the picture is the golden one, 1 when not, 2 when it cannot be read.
int compareWithGolden(const QImage &picture, const RenderOptions &options)
{
    QImage golden;
    QString why;
    {
        const ReaderNoiseMuted muted; // the reader's own complaints: ours is one line
        QImageReader reader(options.golden);
        golden = reader.read();
        why = reader.errorString();
    }
    if (golden.isNull()) {
        printProblem(
            QStringLiteral("%1: cannot read %2: %3").arg(command, shown(options.golden), why));
        return exitUsage;
    }
    const preview::ImageDifference difference = preview::compareImages(picture, golden);
    if (difference.same())
        return exitDone;
    if (!difference.sameSize) {
        printProblem(QStringLiteral("%1: %2 is %3 x %4 pixels, the screen rendered %5 x %6")
                         .arg(command, shown(options.golden))
                         .arg(golden.width())
                         .arg(golden.height())
                         .arg(picture.width())
                         .arg(picture.height()));
        return exitFailed;
    }
    const QString diff = diffPath(options);
    const QRect box = difference.box;
    const bool saved = savePicture(difference.picture, diff);
    printProblem(
        QStringLiteral("%1: %2 %3 from %4, within %5,%6 to %7,%8 (%9 x %10)%11")
            .arg(command)
            .arg(difference.pixels)
            .arg(difference.pixels == 1 ? QStringLiteral("pixel differs")
                                        : QStringLiteral("pixels differ"))
            .arg(shown(options.golden))
            .arg(box.left())
            .arg(box.top())
            .arg(box.right())
            .arg(box.bottom())
            .arg(box.width())
            .arg(box.height())
            .arg(saved ? QStringLiteral("; the difference is in ") + shown(diff) : QString()));
    return exitFailed;
}

bool reportScriptErrors(const QString &path, const preview::ScreenRender &render)
{
    for (const script::ScriptError &error : render.errors())
        printText(QStringLiteral("%1:%2:%3: error: %4\n")
                      .arg(shown(path))
                      .arg(error.pos.line)
                      .arg(error.pos.column)
                      .arg(error.message),
                  true);
    return render.errors().isEmpty();
}

int runRender(const ParsedArguments &arguments)
{
    const std::optional<RenderOptions> options = renderOptions(arguments);
    if (!options)
        return exitUsage;
    const std::optional<preview::RenderContext> context = previewContext(arguments, command);
    if (!context)
        return exitUsage;
    const QString path = arguments.arguments.at(0);
    preview::ScreenRender render(*context);
    if (!renderScriptFile(path, arguments, command, render) || !reportScriptErrors(path, render))
        return exitUsage;
    const QImage picture = pictureOf(render, *options);
    // The golden picture is read before SCREEN.png is written: they may be one file.
    const int compared =
        options->golden.isEmpty() ? exitDone : compareWithGolden(picture, *options);
    if (compared == exitUsage)
        return exitUsage;
    if (!options->output.isEmpty() && !savePicture(picture, options->output))
        return exitFailed;
    return compared;
}

} // namespace

Subcommand renderCommand()
{
    Subcommand command;
    command.name = QStringLiteral("render");
    command.summary = QStringLiteral("draw the screen a command script leaves, as a PNG");
    command.help = QString::fromUtf8(renderHelp);
    command.syntax.arguments = QStringList{QStringLiteral("SCRIPT")};
    command.syntax.options = previewOptions();
    command.syntax.options.append(
        {QStringLiteral("--output"), QStringLiteral("-o"), QStringLiteral("SCREEN.png"), false});
    command.syntax.options.append(
        {QStringLiteral("--expect"), QString(), QStringLiteral("GOLDEN.png"), false});
    command.syntax.options.append(
        {QStringLiteral("--after"), QString(), QStringLiteral("LINE"), false});
    command.syntax.options.append(
        {QStringLiteral("--scale"), QString(), QStringLiteral("N"), false});
    command.syntax.options.append(
        {QStringLiteral("--layer"), QString(), QStringLiteral("composed|0|1"), false});
    command.run = runRender;
    return command;
}

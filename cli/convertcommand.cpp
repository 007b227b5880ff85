// vexelctl convert: pictures as .vxp images.
#include "cli/commands.h"
#include "cli/console.h"
#include "cli/outputfolder.h"

#include "assets/pictureconversion.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

namespace {

const char *const convertHelp = R"(Usage: vexelctl convert PICTURE... [-o OUT.vxp | -d DIR]
                        [--transparent '#rrggbb'] [--dither] [--fit]

Converts pictures of any format the platform reads (PNG, JPEG, BMP, GIF,
...) into .vxp images, as the bench's "Convert" does, and prints the path of
each file written. Each .vxp is written whole or not at all.

Options:
  -o, --output OUT.vxp      the file to write; only with a single picture
  -d, --dir DIR             write each picture's .vxp into DIR, made when it
                            does not exist (default: beside the picture)
  --transparent '#rrggbb'   pixels with alpha below 128 take this colour,
                            which the module does not draw; without it an
                            unused colour marks transparency (magenta when
                            free) and every pixel is drawn
  --dither                  choose the 16-bit colours by error diffusion
  --fit                     scale a picture larger than a .vxp can hold
                            (65535 x 255 pixels) down to fit
  -h, --help                show this text

A picture that cannot be converted is named on standard error and the others
are still converted. Scaled pictures and opaque pixels that share the
transparent colour are named in warnings.

Exit status: 0 all converted, 1 any picture failed, 2 usage error.
)";

const QString commandName = QStringLiteral("convert");

std::optional<QColor> transparentColor(const QString &text)
{
    static const QRegularExpression hexColor(QStringLiteral("^#[0-9a-fA-F]{6}$"));
    if (!hexColor.match(text).hasMatch())
        return std::nullopt;
    return QColor(text);
}

// Two pictures that would give the same .vxp ("logo.png", "logo.jpg"):
// the second must not silently replace the first.
bool claimOutput(QSet<QString> &written, const QString &picture, const QString &output)
{
    const QString key = QFileInfo(output).absoluteFilePath();
    if (!written.contains(key)) {
        written.insert(key);
        return true;
    }
    printProblem(QStringLiteral("Cannot convert %1: %2 was already written for another picture")
                     .arg(shown(picture), shown(output)));
    return false;
}

bool convertOne(const QString &picture, const QString &output, const VxpOptions &options)
{
    const PictureFileConversion result = [&] {
        const ReaderNoiseMuted muted;
        return convertPictureFile(picture, output, options);
    }();
    if (!result.error.isEmpty()) {
        printProblem(result.error);
        return false;
    }
    if (!result.warning.isEmpty())
        printWarning(result.warning);
    printLine(shown(result.output));
    return true;
}

// Why the options do not go together; empty when they do.
QString combinationProblem(const ParsedArguments &arguments)
{
    const bool toFile = arguments.isSet(QStringLiteral("--output"));
    if (toFile && arguments.isSet(QStringLiteral("--dir")))
        return QStringLiteral("-o and -d cannot be given together");
    if (toFile && arguments.arguments.size() != 1)
        return QStringLiteral("-o names one file, but %1 pictures are given")
            .arg(arguments.arguments.size());
    return QString();
}

// The conversion asked for, or nothing when the transparent colour is not one.
std::optional<VxpOptions> conversionOptions(const ParsedArguments &arguments)
{
    VxpOptions options;
    options.dither = arguments.isSet(QStringLiteral("--dither"));
    options.fit = arguments.isSet(QStringLiteral("--fit"));
    if (arguments.isSet(QStringLiteral("--transparent"))) {
        options.transparent = transparentColor(arguments.value(QStringLiteral("--transparent")));
        if (!options.transparent)
            return std::nullopt;
    }
    return options;
}

int runConvert(const ParsedArguments &arguments)
{
    const QString mixed = combinationProblem(arguments);
    if (!mixed.isEmpty())
        return usageError(commandName, mixed);
    const std::optional<VxpOptions> options = conversionOptions(arguments);
    if (!options)
        return usageError(commandName,
                          QStringLiteral("--transparent takes a colour as #rrggbb, not '%1'")
                              .arg(arguments.value(QStringLiteral("--transparent"))));
    const QString output = arguments.value(QStringLiteral("--output"));
    const QString folder = arguments.value(QStringLiteral("--dir"));
    const QString folderProblem = folder.isEmpty() ? QString() : makeOutputFolder(folder);
    if (!folderProblem.isEmpty()) {
        printProblem(folderProblem);
        return exitFailed;
    }
    bool allConverted = true;
    QSet<QString> written;
    for (const QString &picture : arguments.arguments) {
        const QString target = output.isEmpty() ? vxpPathFor(picture, folder) : output;
        allConverted = claimOutput(written, picture, target) &&
                       convertOne(picture, target, *options) && allConverted;
    }
    return allConverted ? exitDone : exitFailed;
}

} // namespace

Subcommand convertCommand()
{
    Subcommand command;
    command.name = commandName;
    command.summary = QStringLiteral("convert pictures into .vxp images");
    command.help = QString::fromUtf8(convertHelp);
    command.syntax.arguments = QStringList{QStringLiteral("PICTURE")};
    command.syntax.repeats = true;
    command.syntax.options = {
        {QStringLiteral("--output"), QStringLiteral("-o"), QStringLiteral("OUT.vxp"), false},
        {QStringLiteral("--dir"), QStringLiteral("-d"), QStringLiteral("DIR"), false},
        {QStringLiteral("--transparent"), QString(), QStringLiteral("'#rrggbb'"), false},
        {QStringLiteral("--dither"), QString(), QString(), false},
        {QStringLiteral("--fit"), QString(), QString(), false}};
    command.run = runConvert;
    return command;
}

// vexelctl info: what the bench reads of each file.
#include "cli/commands.h"
#include "cli/console.h"
#include "cli/fileinfo.h"

#include "assets/assetfiles.h"
#include "assets/esfpackage.h"
#include "assets/vxpimage.h"

#include <QFileInfo>
#include <QHash>

namespace {

const char *const infoHelp = R"(Usage: vexelctl info FILE...

Shows what the bench reads of each file, chosen by its suffix:
  .vxp  size, width, height, transparent colour, whether it holds all pixels
  .bmp  size, width, height, colour depth
  .vxf  size, height, first and last character
  .esf  size, each image's slot, offset and length, slots skipped
  .vxs  size, the start-up settings of the header in the words Config.txt
        uses, and every directory entry in use (index, name, size, address,
        type)

Each file's lines start with its path, one "key: value" per line after it,
and a blank line separates the files. A file that cannot be read, a .vxs
shorter than its header and directories or without its signature, and a file
of any other suffix are named on standard error; the other files are still
shown.

Options:
  -h, --help  show this text

Exit status: 0 all shown, 1 any file could not be, 2 usage error.
)";

FileDescription failed(const QString &problem)
{
    return {{}, problem};
}

FileDescription describeVxp(const QString &path)
{
    const ImageFile image = readImageFile(path);
    if (!image.problem.isEmpty())
        return failed(image.problem);
    const VxpPicture picture = previewImage(path);
    const QString complete = picture.problem.isEmpty() ? QStringLiteral("yes")
                                                       : QStringLiteral("no, ") + picture.problem;
    return {{sizeLine(image.entry.size), field(QStringLiteral("width"), image.entry.width),
             field(QStringLiteral("height"), image.entry.height),
             field(QStringLiteral("transparent colour"), decimalAndHex(image.transparentColor, 4)),
             field(QStringLiteral("all pixels"), complete)},
            QString()};
}

FileDescription describeBitmap(const QString &path)
{
    const ImageFile image = readImageFile(path);
    if (!image.problem.isEmpty())
        return failed(image.problem);
    return {{sizeLine(image.entry.size), field(QStringLiteral("width"), image.entry.width),
             field(QStringLiteral("height"), image.entry.height),
             field(QStringLiteral("depth"), image.entry.depth)},
            QString()};
}

// "65 'A'"; control and non-ASCII codes as the number alone.
QString characterText(quint8 code)
{
    const bool printable = code > 0x20 && code < 0x7F;
    return printable ? QStringLiteral("%1 '%2'").arg(code).arg(QLatin1Char(char(code)))
                     : QString::number(code);
}

FileDescription describeFont(const QString &path)
{
    const FontFile font = readFontFile(path);
    if (!font.problem.isEmpty())
        return failed(font.problem);
    return {{sizeLine(font.entry.size), field(QStringLiteral("height"), font.entry.height),
             field(QStringLiteral("first character"), characterText(font.entry.firstCharacter)),
             field(QStringLiteral("last character"), characterText(font.entry.lastCharacter))},
            QString()};
}

FileDescription describePackage(const QString &path)
{
    QString error;
    const std::optional<EsfPackage> package = openEsfPackage(path, error);
    if (!package)
        return failed(error);
    const EsfContents &contents = package->contents;
    FileDescription description;
    description.lines << sizeLine(QFileInfo(path).size())
                      << field(QStringLiteral("images"), contents.images.size());
    for (const EsfSlot &slot : contents.images)
        description.lines << field(
            QStringLiteral("image %1").arg(slot.number),
            QStringLiteral("offset %1, length %2").arg(slot.offset).arg(slot.length));
    description.lines << field(QStringLiteral("slots skipped"), contents.skipped);
    return description;
}

FileDescription describe(const QString &path)
{
    using Describer = FileDescription (*)(const QString &);
    static const QHash<QString, Describer> describers{{QStringLiteral("vxp"), describeVxp},
                                                      {QStringLiteral("bmp"), describeBitmap},
                                                      {QStringLiteral("vxf"), describeFont},
                                                      {QStringLiteral("esf"), describePackage},
                                                      {QStringLiteral("vxs"), describeFlashImage}};
    const Describer describer = describers.value(QFileInfo(path).suffix().toLower());
    if (!describer)
        return failed(QStringLiteral("not a file vexelctl knows (.vxp, .bmp, .vxf, .esf, .vxs)"));
    return describer(path);
}

int runInfo(const ParsedArguments &arguments)
{
    bool allShown = true;
    bool firstShown = true;
    for (const QString &path : arguments.arguments) {
        const FileDescription description = [&path] {
            const ReaderNoiseMuted muted;
            return describe(path);
        }();
        if (!description.problem.isEmpty()) {
            printProblem(shown(path) + QStringLiteral(": ") + description.problem);
            allShown = false;
            continue;
        }
        if (!firstShown)
            printLine(QString());
        firstShown = false;
        printLine(shown(path));
        for (const QString &line : description.lines)
            printLine(line);
    }
    return allShown ? exitDone : exitFailed;
}

} // namespace

Subcommand infoCommand()
{
    Subcommand command;
    command.name = QStringLiteral("info");
    command.summary = QStringLiteral("show what the bench reads of .vxp, .bmp, .vxf, .esf and "
                                     ".vxs files");
    command.help = QString::fromUtf8(infoHelp);
    command.syntax.arguments = QStringList{QStringLiteral("FILE")};
    command.syntax.repeats = true;
    command.run = runInfo;
    return command;
}

// "vexelctl info" of a .vxs: its start-up settings and directory entries in words.
#include "cli/fileinfo.h"

#include "assets/flashblocks.h"
#include "assets/flashlayout.h"
#include "config/configkeys.h"
#include "files/plainfile.h"

#include <QFileInfo>
#include <QtEndian>

namespace {

template <typename Number> Number numberAt(const QByteArray &bytes, int offset)
{
    return qFromLittleEndian<Number>(bytes.constData() + offset);
}

quint8 byteAt(const QByteArray &bytes, int offset)
{
    return quint8(bytes.at(offset));
}

QString unknownCode(quint8 code)
{
    return QStringLiteral("unknown code %1").arg(code);
}

// The word Config.txt uses for the choice a header code stands for.
template <typename Choice>
QString choiceText(quint8 code, std::optional<Choice> (*choiceOf)(quint8), QString (*word)(Choice))
{
    const std::optional<Choice> choice = choiceOf(code);
    return choice ? word(*choice) : unknownCode(code);
}

QString onOffText(quint8 code)
{
    if (code > 1)
        return unknownCode(code);
    return QLatin1String(code == 1 ? ConfigKey::on : ConfigKey::off);
}

QStringList settingLines(const QByteArray &header)
{
    using namespace FlashLayout::Header;
    const quint16 color = numberAt<quint16>(header, startScreenColor);
    return {
        field(QStringLiteral("backlight"), onOffText(byteAt(header, backlight))),
        field(QStringLiteral("brightness"), byteAt(header, brightness)),
        field(QStringLiteral("touch"),
              choiceText(byteAt(header, touch), touchModeOfCode, touchModeWord)),
        field(QStringLiteral("start screen"),
              choiceText(byteAt(header, startScreen), startScreenOfCode, startScreenWord)),
        field(QStringLiteral("start-screen colour"), decimalAndHex(color, 4)),
        field(QStringLiteral("start image number"), numberAt<quint16>(header, startImageNumber)),
        field(QStringLiteral("start image X"), numberAt<quint16>(header, startImageX)),
        field(QStringLiteral("start image Y"), numberAt<quint16>(header, startImageY)),
        field(QStringLiteral("baud rate"), numberAt<quint32>(header, baudRate)),
        field(QStringLiteral("transmitter"),
              choiceText(byteAt(header, transmitter), transmitterOfCode, transmitterWord)),
        field(QStringLiteral("extended mode"), onOffText(byteAt(header, extendedMode))),
        field(QStringLiteral("USB mode"),
              choiceText(byteAt(header, usbMode), usbModeOfCode, usbModeWord))};
}

// The name field ends at its first zero byte, if it has one.
QString entryName(const QByteArray &entry)
{
    const QByteArray field = entry.mid(FlashLayout::Entry::name, FlashLayout::Entry::nameSize);
    const int end = field.indexOf('\0');
    return QString::fromUtf8(end < 0 ? field : field.left(end));
}

QString entryText(const QByteArray &entry)
{
    using namespace FlashLayout::Entry;
    return QStringLiteral("name %1, size %2, address 0x%3, type %4")
        .arg(entryName(entry))
        .arg(numberAt<quint32>(entry, size))
        .arg(numberAt<quint32>(entry, address), 8, 16, QLatin1Char('0'))
        .arg(byteAt(entry, type));
}

// Entries in use are the ones with any byte set: the directory is zeros around them.
QStringList directoryLines(const QByteArray &head, int offset, const QString &noun)
{
    QStringList lines;
    for (int index = 0; index < listCapacity; ++index) {
        const QByteArray entry = head.mid(offset + index * FlashLayout::directoryEntrySize,
                                          FlashLayout::directoryEntrySize);
        if (entry.count('\0') != entry.size())
            lines.append(field(noun + QLatin1Char(' ') + QString::number(index), entryText(entry)));
    }
    lines.prepend(field(noun + QStringLiteral("s"), lines.size()));
    return lines;
}

} // namespace

FileDescription describeFlashImage(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    QFile file(path);
    QString why;
    if (!openPlainFile(file, why))
        return {{}, QStringLiteral("cannot open %1 (%2)").arg(name, why)};
    const QByteArray head = file.read(FlashLayout::dataOffset);
    if (head.size() < FlashLayout::dataOffset)
        return {{},
                QStringLiteral("%1 is %2 bytes, shorter than the %3 bytes of a flash image's "
                               "header and directories")
                    .arg(name)
                    .arg(file.size())
                    .arg(FlashLayout::dataOffset)};
    if (!head.startsWith(familySignature))
        return {{},
                QStringLiteral("%1 does not start with \"%2\": not a flash image")
                    .arg(name, QLatin1String(familySignature))};
    FileDescription description;
    description.lines << sizeLine(file.size()) << settingLines(head.left(FlashLayout::headerSize))
                      << directoryLines(head, FlashLayout::fontDirectoryOffset,
                                        QStringLiteral("font"))
                      << directoryLines(head, FlashLayout::imageDirectoryOffset,
                                        QStringLiteral("image"));
    return description;
}

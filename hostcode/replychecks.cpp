#include "hostcode/replychecks.h"

#include "commands/replydecoder.h"

#include <algorithm>

namespace hostcode {

namespace {

using script::ReplyExpectation;
using script::ReplyKind;

// The largest coordinate touchPoint() can read: byte * 128 + byte.
constexpr int largestTouchCoordinate = 255 * 128 + 255;

Check bytesCheck(const QByteArray &bytes)
{
    Check check;
    check.bytes = bytes;
    check.length = bytes.size();
    return check;
}

QString nameOf(Command command)
{
    return QString::fromLatin1(spec(command).name);
}

bool isHexDigit(QChar c)
{
    const char latin = c.toLatin1(); // 0 for anything beyond Latin-1
    return (latin >= '0' && latin <= '9') || (latin >= 'a' && latin <= 'f') ||
           (latin >= 'A' && latin <= 'F');
}

bool isHex(const QString &text)
{
    return !text.isEmpty() && text.size() % 2 == 0 &&
           std::all_of(text.begin(), text.end(), isHexDigit);
}

// The text QString::number() gives for a 32-bit value, and nothing else:
// the reader compares the number's text, so "030" never matches.
std::optional<quint32> decimalValue(const QString &text)
{
    if (text.isEmpty() || text.size() > 10 || (text.size() > 1 && text.at(0) == QLatin1Char('0')))
        return std::nullopt;
    if (!std::all_of(text.begin(), text.end(),
                     [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }))
        return std::nullopt;
    const qulonglong value = text.toULongLong();
    if (value > 0xFFFFFFFFULL)
        return std::nullopt;
    return quint32(value);
}

std::optional<Check> valueCheck(const QString &text, Command armed, QString &why)
{
    const std::optional<quint32> value = decimalValue(text);
    if (!value) {
        why = QStringLiteral("the answer to %1 reads as a number from 0 to 4294967295, "
                             "written without leading zeros")
                  .arg(nameOf(armed));
        return std::nullopt;
    }
    QByteArray bytes(1, char(replymarker::value));
    for (int shift = 0; shift < 32; shift += 8)
        bytes.append(char(*value >> shift));
    return bytesCheck(bytes);
}

std::optional<Check> openCheck(const QString &text, QString &why)
{
    if (text.compare(QLatin1String("OK"), Qt::CaseInsensitive) == 0)
        return bytesCheck(QByteArray(1, char(replymarker::status)) + char(openSucceeded));
    if (text.compare(QLatin1String("FAILED"), Qt::CaseInsensitive) == 0) {
        Check check;
        check.kind = Check::Kind::OpenFailed;
        check.length = 2;
        return check;
    }
    why = QStringLiteral("the answer to SD_FILE_OPEN reads as OK or FAILED");
    return std::nullopt;
}

std::optional<Check> presenceCheck(const QString &text, QString &why)
{
    if (text.compare(QLatin1String("YES"), Qt::CaseInsensitive) == 0)
        return bytesCheck(QByteArray(1, char(replymarker::cardPresent)));
    if (text.compare(QLatin1String("No"), Qt::CaseInsensitive) == 0)
        return bytesCheck(QByteArray(1, char(replymarker::cardMissing)));
    why = QStringLiteral("the answer to SD_INSERTED reads as YES or No");
    return std::nullopt;
}

std::optional<Check> sdCheck(const QString &text, std::optional<Command> armed, QString &why)
{
    const AnswerKind kind = armed ? answerTo(*armed).kind : AnswerKind::KeptArmed;
    switch (kind) {
    case AnswerKind::OpenStatus:
        return openCheck(text, why);
    case AnswerKind::Value:
        return valueCheck(text, *armed, why);
    case AnswerKind::CardPresence:
        return presenceCheck(text, why);
    case AnswerKind::HexResult:
        if (isHex(text))
            return bytesCheck(QByteArray::fromHex(text.toLatin1()));
        why = QStringLiteral("the answer to %1 reads as its bytes in hex").arg(nameOf(*armed));
        return std::nullopt;
    case AnswerKind::Unread:
        why = QStringLiteral("the reader takes the answer to %1 without an SD result; "
                             "expect its bytes instead")
                  .arg(nameOf(*armed));
        return std::nullopt;
    case AnswerKind::KeptArmed:
    case AnswerKind::Listing:
    case AnswerKind::SerialHex:
    case AnswerKind::Version:
        break;
    }
    why = armed ? QStringLiteral("the reply read here answers %1, which gives no SD result")
                      .arg(nameOf(*armed))
                : QStringLiteral("no command before it waits for an SD result");
    return std::nullopt;
}

// A reply the reader reads as text up to a zero, after `command`.
std::optional<Check> textCheck(const ReplyExpectation &expected, std::optional<Command> armed,
                               Command command, QString &why)
{
    if (!armed || answerTo(*armed).kind != answerTo(command).kind) {
        why = QStringLiteral("no %1 before it: nothing would answer it").arg(nameOf(command));
        return std::nullopt;
    }
    const QByteArray text = expected.text.toUtf8();
    if (text.contains('\0')) {
        why = QStringLiteral("the reader ends a text at its first zero byte");
        return std::nullopt;
    }
    return bytesCheck(text + '\0');
}

std::optional<Check> serialCheck(const QString &text, std::optional<Command> armed, QString &why)
{
    if (!armed || answerTo(*armed).kind != AnswerKind::SerialHex) {
        why =
            QStringLiteral("no resetVEXEL before it: only it arms the reader for a serial number");
        return std::nullopt;
    }
    // The reader shows the serial number in lower-case hex and compares it as text.
    if (!isHex(text) || text != text.toLower()) {
        why = QStringLiteral("the serial number reads as its bytes in lower-case hex");
        return std::nullopt;
    }
    return bytesCheck(QByteArray::fromHex(text.toLatin1()));
}

std::optional<Check> touchCheck(const ReplyExpectation &expected, QString &why)
{
    if (expected.x > largestTouchCoordinate || expected.y > largestTouchCoordinate) {
        why = QStringLiteral("a touch report carries coordinates up to %1")
                  .arg(largestTouchCoordinate);
        return std::nullopt;
    }
    Check check;
    check.kind = Check::Kind::Touch;
    check.length = touchReportLength;
    check.x = expected.x;
    check.y = expected.y;
    return check;
}

} // namespace

std::optional<Check> replyCheck(const ReplyExpectation &expected, std::optional<Command> armed,
                                QString &why)
{
    switch (expected.kind) {
    case ReplyKind::Pong:
        return bytesCheck(QByteArray(pongLength, char(replymarker::pong)));
    case ReplyKind::Touch:
        return touchCheck(expected, why);
    case ReplyKind::Sd:
        return sdCheck(expected.text, armed, why);
    case ReplyKind::Version:
        return textCheck(expected, armed, Command::GetVersion, why);
    case ReplyKind::Listing:
        return textCheck(expected, armed, Command::SdFileList, why);
    case ReplyKind::Serial:
        return serialCheck(expected.text, armed, why);
    }
    return std::nullopt;
}

} // namespace hostcode

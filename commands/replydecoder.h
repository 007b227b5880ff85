#ifndef COMMANDS_REPLYDECODER_H
#define COMMANDS_REPLYDECODER_H

#include "commands/commandset.h"

#include <QByteArray>
#include <QString>

#include <optional>

// The first byte of the replies the module sends of its own accord or
// with fixed fields.
namespace replymarker {
constexpr quint8 pong = '8';
constexpr quint8 touch = 0x81;
constexpr quint8 status = '?';      // an SD card or capture result: a status byte follows
constexpr quint8 value = '=';       // a 32-bit value follows, low byte first
constexpr quint8 cardPresent = '='; // SD_INSERTED's answer, alone
constexpr quint8 cardMissing = '>';
} // namespace replymarker

constexpr quint8 openSucceeded = 1; // status byte of a file opened
constexpr int pongLength = 1;
constexpr int touchReportLength = 6; // marker, x low, x high, unused, y low, y high

// How the reader reads the chunk that answers an armed command.
enum class AnswerKind : quint8
{
    KeptArmed,    // not read at all: the command stays armed
    Unread,       // taken as the answer, nothing read from it
    Listing,      // text up to a zero, for the log pane
    OpenStatus,   // status marker and a byte: OK or FAILED
    HexResult,    // the whole chunk in hex, as the SD result
    Value,        // value marker and 32 bits, as the SD result
    CardPresence, // cardPresent or cardMissing, as the SD result: YES or No
    SerialHex,    // the whole chunk in hex, as the serial number
    Version,      // text up to a zero, in the serial number field
};

struct AnswerSpec
{
    AnswerKind kind = AnswerKind::KeptArmed;
    const char *label = ""; // what a decoded answer is called: "SD open", "version"
    int length = 0; // bytes of a whole answer with fixed fields; 0 where any length is whole
};

// The answer the reader reads for `id` once it has armed.
constexpr AnswerSpec answerTo(Command id)
{
    using K = AnswerKind;
    switch (id) {
    case Command::SdFileList:
        return {K::Listing, "file list", 0};
    case Command::SdFileOpen:
        return {K::OpenStatus, "SD open", 2};
    case Command::SdFileCreate:
        return {K::HexResult, "SD create", 0};
    case Command::SdFileWrite:
        return {K::Unread, "", 0};
    case Command::SdFileGetSize:
        return {K::Value, "SD file size", 5};
    case Command::SdFileTell:
        return {K::Value, "SD position", 5};
    case Command::SdSpaceInfo:
        return {K::Value, "SD space", 5};
    case Command::SdInserted:
        return {K::CardPresence, "SD card inserted", 1};
    // The two share their code, so whichever armed it, the answer is read alike.
    case Command::GetSerial:
    case Command::ResetVexel:
        return {K::SerialHex, "serial number", 0};
    case Command::GetVersion:
        return {K::Version, "version", 0};
    default:
        return {};
    }
}

// The answer read for an armed code; codes of no command read nothing.
constexpr AnswerSpec answerToCode(quint8 code)
{
    // By value, not through commandOfCode(): GCC's undefined-behaviour
    // checks make a pointer test no constant expression.
    for (const CommandSpec &command : allCommands()) {
        if (command.code == code)
            return answerTo(command.id);
    }
    return {};
}

namespace replydecoder_detail {
constexpr bool sharedCodesShareAnswers()
{
    for (const CommandSpec &command : allCommands()) {
        if (answerTo(command.id).kind != answerToCode(command.code).kind)
            return false;
    }
    return true;
}
static_assert(sharedCodesShareAnswers(), "commands sharing a code must share their answer");
} // namespace replydecoder_detail

struct TouchPoint
{
    quint16 x = 0;
    quint16 y = 0;
};

// What one chunk from the module means for the window. Fields left empty
// leave their widget alone.
struct Reply
{
    quint8 pendingCommand = 0;           // what stays armed after this chunk
    std::optional<QString> sdResult;     // new text of the SD card result field
    std::optional<QString> serialNumber; // new text of the serial number field
    QString listing;                     // file list text for the log pane
    bool pong = false;                   // the chunk answers a ping
    std::optional<TouchPoint> touch;     // the chunk is a touch report
    QString hexLine;                     // the chunk in hex, for the log pane
};

// Decodes one chunk against the armed command. The module sends no lengths,
// so a chunk is taken as one whole reply; bytes missing from a short chunk
// read as 0.
Reply decodeReply(const QByteArray &chunk, quint8 pendingCommand);

// Bytes 1 to 4, low byte first.
quint32 replyValue(const QByteArray &chunk);

// X from bytes 1 (low 7 bits) and 2, Y from bytes 4 and 5; byte 3 is unused.
TouchPoint touchPoint(const QByteArray &chunk);

// Text up to the first zero byte, as UTF-8.
QString replyText(const QByteArray &chunk);

#endif // COMMANDS_REPLYDECODER_H

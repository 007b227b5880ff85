#ifndef REPLYDECODER_H
#define REPLYDECODER_H

#include <QByteArray>
#include <QString>

#include <optional>

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

#endif // REPLYDECODER_H

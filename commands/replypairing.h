#ifndef COMMANDS_REPLYPAIRING_H
#define COMMANDS_REPLYPAIRING_H

#include "commands/replydecoder.h"

#include <optional>

// Which chunk from the module answers which command, and how long it took.
// The window's reader, the Traffic window and the script runner keep one
// each; the Wireshark dissector is generated to follow the same rule.
//
// - A command that arms the reader (ArmsReply) replaces whatever was armed.
//   The next chunk is taken whole as its answer if the reader reads answers
//   to it (answerTo()), and that disarms it; otherwise it stays armed until
//   another command arms the reader. Only the command armed last is
//   answered, and only once.
// - A ping arms nothing, so the reader's armed command stays; the next
//   chunk that reads as a pong answers it, unless the reader took that
//   chunk as the armed command's answer. Either way the pong ends the wait,
//   as the module sends one per ping. Only the latest ping is waited for.
// - A reply is timed from the last byte of its command: a text's zero, or
//   the last byte of an SD_FILE_WRITE's file, may leave in a later write
//   than the code (continued()).
// - A reply that arrives in several chunks is answered by its first chunk,
//   which disarms; the chunks after it are read with nothing armed.
// - A chunk with nothing armed and no ping waiting (a touch report, a pong
//   nobody asked for, the rest of a split reply) answers nothing.
class ReplyPairing
{
public:
    struct Paired
    {
        enum class Answers
        {
            Nothing,
            Armed, // the armed command, the chunk taken whole as its answer
            Ping,  // a ping, by a pong
        };

        Reply reply; // as decodeReply() reads it against the command that was armed
        Answers answers = Answers::Nothing;
        quint8 code = 0;           // of the command answered
        qint64 latencyMicros = -1; // since that command's last byte
    };

    // `id` starts to leave at `micros`, as the buttons and scripts send it:
    // the reader is armed only by a command with ArmsReply.
    void sent(Command id, qint64 micros);
    // A frame with `code` starts to leave, as read off the wire: a code that
    // several commands share arms the reader if any of them does.
    void sent(quint8 code, qint64 micros);
    // More of the frame with `code` left at `micros`: its text, its zero or
    // its file data. Its reply is timed from here.
    void continued(quint8 code, qint64 micros);

    Paired received(const QByteArray &chunk, qint64 micros);

    // The code the reader reads replies against, 0 for none.
    quint8 armed() const { return armedCode; }
    bool awaitingPong() const { return pingAt.has_value(); }
    // Nothing sent so far is awaited any more, as on a line opened afresh.
    void reset() { *this = ReplyPairing(); }

private:
    void start(quint8 code, bool arms, qint64 micros);

    quint8 armedCode = 0;
    qint64 armedAt = 0;
    std::optional<qint64> pingAt; // while a ping's pong is awaited
};

using Paired = ReplyPairing::Paired;

#endif // COMMANDS_REPLYPAIRING_H

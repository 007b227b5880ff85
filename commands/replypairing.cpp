#include "commands/replypairing.h"

namespace {
constexpr quint8 pingCode = codeOf(Command::Ping);
// Were a ping to arm the reader, its pong would be taken as the armed answer.
static_assert(!codeArmsReply(pingCode), "a ping must leave the armed command alone");
} // namespace

void ReplyPairing::sent(Command id, qint64 micros)
{
    const CommandSpec &command = spec(id);
    start(command.code, command.has(ArmsReply), micros);
}

void ReplyPairing::sent(quint8 code, qint64 micros)
{
    start(code, codeArmsReply(code), micros);
}

void ReplyPairing::start(quint8 code, bool arms, qint64 micros)
{
    if (arms) {
        armedCode = code;
        armedAt = micros;
    }
    if (code == pingCode)
        pingAt = micros;
}

void ReplyPairing::continued(quint8 code, qint64 micros)
{
    // A ping is one byte: nothing of it comes later.
    if (armedCode != 0 && code == armedCode)
        armedAt = micros;
}

Paired ReplyPairing::received(const QByteArray &chunk, qint64 micros)
{
    Paired paired;
    paired.reply = decodeReply(chunk, armedCode);
    // The reader disarms exactly when it takes the chunk as the answer.
    if (armedCode != 0 && paired.reply.pendingCommand == 0) {
        paired.answers = Paired::Answers::Armed;
        paired.code = armedCode;
        paired.latencyMicros = micros - armedAt;
    }
    armedCode = paired.reply.pendingCommand;
    if (paired.reply.pong && pingAt) {
        if (paired.answers == Paired::Answers::Nothing) {
            paired.answers = Paired::Answers::Ping;
            paired.code = pingCode;
            paired.latencyMicros = micros - *pingAt;
        }
        pingAt.reset();
    }
    return paired;
}

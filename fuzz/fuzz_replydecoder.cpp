// The reply decoder on a run of chunks as the reader sees them: the first
// byte is the armed command, then each chunk is one length byte and its bytes.
// The armed command carries from chunk to chunk as it does in the window.
#include "fuzzcheck.h"

#include "commands/replydecoder.h"

namespace {

void checkReply(const QByteArray &chunk, quint8 pending, const Reply &reply)
{
    // Nothing may be reported that the chunk does not hold.
    FUZZ_CHECK(reply.hexLine == QString::fromLatin1(chunk.toHex()));
    FUZZ_CHECK(reply.listing.size() <= chunk.size());
    if (reply.serialNumber)
        FUZZ_CHECK(reply.serialNumber->size() <= 2 * chunk.size());
    if (reply.sdResult)
        FUZZ_CHECK(reply.sdResult->size() <= qMax(2 * chunk.size(), 10));
    FUZZ_CHECK(reply.pendingCommand == 0 || reply.pendingCommand == pending);
    FUZZ_CHECK(reply.pong == (!chunk.isEmpty() && chunk.at(0) == '8'));
    FUZZ_CHECK(reply.touch.has_value() == (!chunk.isEmpty() && quint8(chunk.at(0)) == 0x81));
    if (reply.touch) {
        // Seven bits plus eight bits times 128 at most.
        FUZZ_CHECK(reply.touch->x <= 255 * 128 + 255);
        FUZZ_CHECK(reply.touch->y <= 255 * 128 + 255);
    }
    // A reply decoded again gives the same fields: the decoder keeps no state.
    const Reply again = decodeReply(chunk, pending);
    FUZZ_CHECK(again.pendingCommand == reply.pendingCommand && again.sdResult == reply.sdResult &&
               again.serialNumber == reply.serialNumber && again.listing == reply.listing);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::silenceQtMessages();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    quint8 pending = data[0];
    size_t at = 1;
    do {
        // A missing or short length leaves the chunk with what remains, even nothing.
        const size_t wanted = at < size ? data[at++] : 0;
        const size_t length = qMin(wanted, size - at);
        const QByteArray chunk = fuzz::bytesOf(data + at, length);
        at += length;
        const Reply reply = decodeReply(chunk, pending);
        checkReply(chunk, pending, reply);
        // The plain readers must hold for any chunk, armed or not.
        replyValue(chunk);
        touchPoint(chunk);
        FUZZ_CHECK(replyText(chunk).size() <= chunk.size());
        pending = reply.pendingCommand;
    } while (at < size);
    return 0;
}

// The simulator's frame parser on arbitrary byte streams. The input's first
// byte picks the starting mode, the second how many chunk sizes follow; the
// rest is the stream. Fed whole and fed in those chunks (cycled), the parser
// must give the same frames, account for every byte and end in the same state.
#include "fuzzcheck.h"

#include "frameparser.h"

#include <algorithm>

using namespace vxsim;

namespace {

// Bytes the frame took on the wire.
int wireLength(const Frame &frame)
{
    const int terminator = frame.info->shape == FrameShape::Text ? 1 : 0;
    return 1 + frame.head.size() + frame.tail.size() + terminator;
}

void checkFrame(const Frame &frame)
{
    FUZZ_CHECK(frame.info != nullptr);
    FUZZ_CHECK(findCommand(quint8(frame.command())) == frame.info);
    switch (frame.info->shape) {
    case FrameShape::Fixed:
        FUZZ_CHECK(frame.head.size() == frame.info->headSize && frame.tail.isEmpty());
        break;
    case FrameShape::ModeXY:
        FUZZ_CHECK((frame.head.size() == 3 || frame.head.size() == 4) && frame.tail.isEmpty());
        break;
    case FrameShape::Text:
        FUZZ_CHECK(frame.head.size() == frame.info->headSize && !frame.tail.contains('\0'));
        break;
    case FrameShape::CountedData:
        FUZZ_CHECK(frame.head.size() == frame.info->headSize);
        FUZZ_CHECK(quint32(frame.tail.size()) == frame.littleEndian32(frame.info->headSize - 4));
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::silenceQtMessages();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const bool extended = data[0] & 1;
    const size_t cuts = qMin<size_t>(data[1] % 33, size - 2);
    const uint8_t *sizes = data + 2;
    const QByteArray stream = fuzz::bytesOf(data + 2 + cuts, size - 2 - cuts);

    FrameParser whole;
    whole.setExtendedMode(extended);
    const QVector<Frame> expected = whole.feed(stream);
    int consumed = whole.skippedBytes() + whole.pendingBytes();
    for (const Frame &frame : expected) {
        checkFrame(frame);
        consumed += wireLength(frame);
    }
    FUZZ_CHECK(consumed == stream.size());

    FrameParser chunked;
    chunked.setExtendedMode(extended);
    QVector<Frame> frames;
    // A zero size feeds an empty chunk, which must change nothing; sizes that
    // are all zero feed one round of empty chunks and then the whole stream.
    const bool advances = std::any_of(sizes, sizes + cuts, [](uint8_t s) { return s > 0; });
    int at = 0;
    for (size_t i = 0; at < stream.size(); ++i) {
        const int length = advances ? sizes[i % cuts] : (i < cuts ? 0 : stream.size());
        frames += chunked.feed(stream.mid(at, length));
        at += length;
    }
    FUZZ_CHECK(frames == expected);
    FUZZ_CHECK(chunked.skippedBytes() == whole.skippedBytes());
    FUZZ_CHECK(chunked.pendingBytes() == whole.pendingBytes());
    FUZZ_CHECK(chunked.extendedMode() == whole.extendedMode());
    return 0;
}

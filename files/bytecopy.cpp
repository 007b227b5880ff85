#include "files/bytecopy.h"

#include <QFile>

#ifdef Q_OS_LINUX
#include <unistd.h>
#endif

namespace {

constexpr qint64 bufferChunk = 1024 * 1024;
// Large enough for the kernel to copy at full speed, small enough that a
// caller sees progress and can stop every few MB.
constexpr qint64 kernelChunk = 4 * 1024 * 1024;

} // namespace

CopyResult ByteCopier::copy(QFile &input, QFileDevice &output, qint64 size,
                            const std::function<bool(qint64)> &goOn)
{
    CopyResult result;
    const qint64 start = input.pos();
    // Bytes the output still buffers must come before what the kernel adds.
    if (!output.flush()) {
        result.outputFailed = true;
        return result;
    }
    bool kernelCopies = true;
    while (result.copied < size) {
        const qint64 left = size - result.copied;
        qint64 moved = kernelCopies ? kernelPiece(input, output, left) : -1;
        if (moved <= 0 && kernelCopies) {
            // Another filesystem, a device, or a kernel without it: the
            // buffer takes over from where the kernel left the input. A
            // kernel's 0 is taken as an end only once a read says so, since
            // devices and special files give 0 where they have bytes.
            kernelCopies = false;
            if (result.copied > 0 && !input.seek(start + result.copied)) {
                result.inputFailed = true;
                break;
            }
        }
        if (!kernelCopies)
            moved = bufferPiece(input, output, left, result);
        if (moved <= 0)
            break;
        result.copied += moved;
        if (goOn && !goOn(result.copied))
            break;
    }
    return result;
}

// The bytes the kernel moved, 0 at the input's end, -1 where it cannot.
qint64 ByteCopier::kernelPiece(QFile &input, QFileDevice &output, qint64 size)
{
#ifdef Q_OS_LINUX
    return ::copy_file_range(input.handle(), nullptr, output.handle(), nullptr,
                             size_t(qMin(size, kernelChunk)), 0);
#else
    Q_UNUSED(input)
    Q_UNUSED(output)
    Q_UNUSED(size)
    return -1;
#endif
}

// A short write is retried, so that a full disk is reported as such.
qint64 ByteCopier::bufferPiece(QFile &input, QFileDevice &output, qint64 size, CopyResult &result)
{
    if (buffer.isEmpty())
        buffer.resize(int(bufferChunk));
    const qint64 got = input.read(buffer.data(), qMin(size, bufferChunk));
    if (got < 0) {
        result.inputFailed = true;
        return -1;
    }
    for (qint64 at = 0; at < got;) {
        const qint64 written = output.write(buffer.constData() + at, got - at);
        if (written <= 0) {
            result.outputFailed = true;
            return -1;
        }
        at += written;
    }
    return got;
}

#ifndef BYTECOPY_H
#define BYTECOPY_H

#include <QByteArray>
#include <QtGlobal>

#include <functional>
#include <limits>

class QFile;
class QFileDevice;

struct CopyResult
{
    qint64 copied = 0;         // bytes that reached the output
    bool inputFailed = false;  // the input could not be read on
    bool outputFailed = false; // the output took no more: its errorString() says why
};

// Moves bytes from file to file. The kernel copies them where it can, as
// `cp` does, so they never pass through the program; a buffer carries them
// where it cannot (another filesystem, a device). Memory stays flat
// whatever the size.
class ByteCopier
{
public:
    static constexpr qint64 untilTheEnd = std::numeric_limits<qint64>::max();

    // Copies up to `size` bytes from `input`'s position onto the end of
    // `output`, in pieces of a few MB. After each piece `goOn(copied so far)`
    // may stop the copy by returning false.
    CopyResult copy(QFile &input, QFileDevice &output, qint64 size = untilTheEnd,
                    const std::function<bool(qint64)> &goOn = {});

private:
    qint64 kernelPiece(QFile &input, QFileDevice &output, qint64 size);
    qint64 bufferPiece(QFile &input, QFileDevice &output, qint64 size, CopyResult &result);

    QByteArray buffer; // made when the kernel cannot copy
};

#endif // BYTECOPY_H

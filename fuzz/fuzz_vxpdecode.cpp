// The .vxp decoder on arbitrary bytes. A picture that comes back must hold
// every stored word, and converting it again, with the header's transparent
// colour, must give the same file.
#include "fuzzcheck.h"

#include "assets/assetfiles.h"
#include "assets/vxpimage.h"
#include "commands/colors.h"

#include <QtEndian>

namespace {

quint16 wordAt(const QByteArray &bytes, qint64 offset)
{
    return qFromLittleEndian<quint16>(bytes.constData() + offset);
}

void checkPixels(const QImage &image, const QByteArray &bytes)
{
    const quint16 transparent = wordAt(bytes, VxpHeader::transparentOffset);
    qint64 offset = VxpHeader::size;
    for (int y = 0; y < image.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x, offset += 2) {
            const quint16 stored = wordAt(bytes, offset);
            const QRgb pixel = line[x];
            FUZZ_CHECK(rgb565(qRed(pixel), qGreen(pixel), qBlue(pixel)) == stored);
            FUZZ_CHECK(qAlpha(pixel) == (stored == transparent ? 0 : 255));
        }
    }
}

void checkReencoded(const QImage &image, const QByteArray &bytes)
{
    VxpOptions options;
    options.transparent = colorOfWord(wordAt(bytes, VxpHeader::transparentOffset));
    const VxpConversion conversion = convertToVxp(image, options);
    FUZZ_CHECK(conversion.error.isEmpty() && !conversion.scaled);
    // Byte 3 is not read, and whatever follows the pixels is not kept.
    QByteArray expected = bytes.left(conversion.bytes.size());
    expected[VxpHeader::heightOffset + 1] = '\0';
    FUZZ_CHECK(conversion.bytes == expected);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::silenceQtMessages();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = fuzz::bytesOf(data, size);
    const VxpPicture picture = decodeVxp(bytes, QStringLiteral("in.vxp"));
    FUZZ_CHECK(picture.image.isNull() != picture.problem.isEmpty());
    if (picture.image.isNull()) {
        FUZZ_CHECK(!picture.problem.contains(QLatin1Char('\n')));
        return 0;
    }
    const int width = wordAt(bytes, VxpHeader::widthOffset);
    const int height = quint8(bytes.at(VxpHeader::heightOffset));
    FUZZ_CHECK(picture.image.width() == width && picture.image.height() == height);
    FUZZ_CHECK(picture.image.format() == QImage::Format_ARGB32);
    FUZZ_CHECK(bytes.size() >= VxpHeader::size + 2 * qint64(width) * height);
    checkPixels(picture.image, bytes);
    checkReencoded(picture.image, bytes);
    FUZZ_CHECK(withCheckerboard(picture.image, 1 + width % 9).size() == picture.image.size());
    return 0;
}

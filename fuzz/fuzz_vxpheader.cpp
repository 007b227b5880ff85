// The .vxp header writer and the picture converter. The input's first bytes
// give the picture's size (up to 64 x 256, so the height limit and fitting
// are reached), the options and a transparent colour; the rest are its
// pixels, four bytes each, repeated to fill the picture.
#include "fuzzcheck.h"

#include "assets/assetfiles.h"
#include "assets/vxpimage.h"
#include "commands/colors.h"

#include <QtEndian>

#include <optional>

namespace {

constexpr int settingsSize = 6;

quint8 byteAt(const QByteArray &bytes, int at)
{
    return at < bytes.size() ? quint8(bytes.at(at)) : 0;
}

quint16 wordAt(const QByteArray &bytes, qint64 offset)
{
    return qFromLittleEndian<quint16>(bytes.constData() + offset);
}

QImage pictureFrom(const QByteArray &bytes)
{
    QImage picture(1 + byteAt(bytes, 0) % 64, 1 + byteAt(bytes, 1), QImage::Format_ARGB32);
    const QByteArray pixels = bytes.mid(settingsSize);
    const int given = pixels.size() / 4;
    int index = 0;
    for (int y = 0; y < picture.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(picture.scanLine(y));
        for (int x = 0; x < picture.width(); ++x, ++index)
            line[x] = given == 0
                          ? 0
                          : qFromLittleEndian<quint32>(pixels.constData() + 4 * (index % given));
    }
    // Premultiplied pictures must come out as the colours they show.
    if (byteAt(bytes, 2) & 4)
        return picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    return picture;
}

VxpOptions optionsFrom(const QByteArray &bytes)
{
    VxpOptions options;
    const quint8 flags = byteAt(bytes, 2);
    options.dither = flags & 1;
    options.fit = flags & 2;
    if (flags & 8)
        options.transparent = QColor(byteAt(bytes, 3), byteAt(bytes, 4), byteAt(bytes, 5));
    return options;
}

// Words of the unscaled picture where the converter has no choice to make.
// Returns how many pixels were hidden for their alpha.
int checkWords(const QImage &argb, const VxpOptions &options, const QByteArray &file,
               quint16 transparentWord)
{
    int hidden = 0;
    qint64 offset = VxpHeader::size;
    for (int y = 0; y < argb.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x, offset += 2) {
            const QRgb pixel = line[x];
            const quint16 stored = wordAt(file, offset);
            if (options.transparent && qAlpha(pixel) < 128) {
                FUZZ_CHECK(stored == transparentWord);
                ++hidden;
            } else if (!options.dither) {
                FUZZ_CHECK(stored == rgb565(qRed(pixel), qGreen(pixel), qBlue(pixel)));
            }
        }
    }
    return hidden;
}

int wordsInTransparent(const VxpConversion &conversion)
{
    int matching = 0;
    for (qint64 offset = VxpHeader::size; offset < conversion.bytes.size(); offset += 2)
        matching += wordAt(conversion.bytes, offset) == conversion.transparentWord ? 1 : 0;
    return matching;
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
    const QImage picture = pictureFrom(bytes);
    const VxpOptions options = optionsFrom(bytes);
    const VxpConversion conversion = convertToVxp(picture, options);
    const bool tooTall = picture.height() > VxpHeader::maxHeight;
    if (tooTall && !options.fit) {
        FUZZ_CHECK(conversion.bytes.isEmpty() && !conversion.error.isEmpty());
        return 0;
    }
    // Fewer pixels than words: a transparent word is always left over.
    FUZZ_CHECK(conversion.error.isEmpty());
    FUZZ_CHECK(conversion.scaled == tooTall);
    const QSize stored = conversion.size;
    if (conversion.scaled)
        FUZZ_CHECK(stored.height() == VxpHeader::maxHeight && stored.width() <= picture.width());
    else
        FUZZ_CHECK(stored == picture.size());
    FUZZ_CHECK(conversion.bytes.size() == VxpHeader::size + 2 * stored.width() * stored.height());
    FUZZ_CHECK(conversion.bytes.left(VxpHeader::size) ==
               vxpHeader(stored.width(), stored.height(), conversion.transparentWord));
    FUZZ_CHECK(wordAt(conversion.bytes, VxpHeader::widthOffset) == stored.width());
    FUZZ_CHECK(byteAt(conversion.bytes, VxpHeader::heightOffset) == stored.height());
    FUZZ_CHECK(wordAt(conversion.bytes, VxpHeader::transparentOffset) ==
               conversion.transparentWord);
    FUZZ_CHECK(decodeVxp(conversion.bytes).image.size() == stored);
    std::optional<int> hidden;
    if (!conversion.scaled)
        hidden = checkWords(picture.convertToFormat(QImage::Format_ARGB32), options,
                            conversion.bytes, conversion.transparentWord);
    const int matching = wordsInTransparent(conversion);
    if (!options.transparent) {
        // The chosen word is one no pixel has.
        FUZZ_CHECK(matching == 0 && conversion.opaqueInTransparent == 0);
        return 0;
    }
    FUZZ_CHECK(conversion.transparentWord == rgb565(*options.transparent));
    FUZZ_CHECK(conversion.opaqueInTransparent >= 0 && conversion.opaqueInTransparent <= matching);
    if (hidden)
        FUZZ_CHECK(conversion.opaqueInTransparent == matching - *hidden);
    return 0;
}

// The .vxp image header and .vxf font readers on the same arbitrary file,
// reached under both names (the .vxf is a link to the .vxp).
#include "fuzzcheck.h"

#include "assets/assetfiles.h"

namespace {

quint8 byteAt(const QByteArray &bytes, int at)
{
    return at < bytes.size() ? quint8(bytes.at(at)) : 0;
}

void checkImage(const QString &path, const QByteArray &bytes)
{
    const ImageFile image = readImageFile(path);
    FUZZ_CHECK(image.entry.size == quint32(bytes.size()));
    FUZZ_CHECK(image.entry.name == QStringLiteral("in.vxp"));
    if (bytes.size() < VxpHeader::size) {
        // A short file gets a reason and no made-up dimensions.
        FUZZ_CHECK(!image.problem.isEmpty());
        FUZZ_CHECK(!image.dimensionsShown && !image.hasTransparentColor);
        FUZZ_CHECK(image.entry.width == 0 && image.entry.height == 0);
    } else {
        FUZZ_CHECK(image.problem.isEmpty());
        FUZZ_CHECK(image.dimensionsShown && image.hasTransparentColor);
        FUZZ_CHECK(image.entry.depth == VxpHeader::depth);
        FUZZ_CHECK(image.entry.height == byteAt(bytes, VxpHeader::heightOffset));
    }
    FUZZ_CHECK(imageCells(path, image).size() == 8);
}

void checkFont(const QString &path, const QByteArray &bytes)
{
    const FontFile font = readFontFile(path);
    FUZZ_CHECK(font.problem.isEmpty());
    FUZZ_CHECK(font.entry.type == fontTypeVxf);
    FUZZ_CHECK(font.entry.size == quint32(bytes.size()));
    FUZZ_CHECK(font.entry.height == byteAt(bytes, VxfFont::heightOffset));
    FUZZ_CHECK(font.entry.firstCharacter == byteAt(bytes, VxfFont::firstCharacterOffset));
    FUZZ_CHECK(font.entry.lastCharacter == byteAt(bytes, VxfFont::lastCharacterOffset));
    FUZZ_CHECK(fontCells(1, path, font.entry).size() == 7);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::silenceQtMessages();
    const QString image = fuzz::scratchFolder() + QStringLiteral("/in.vxp");
    fuzz::writeFile(image, QByteArray());
    FUZZ_CHECK(QFile::link(image, fuzz::scratchFolder() + QStringLiteral("/in.vxf")));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = fuzz::bytesOf(data, size);
    const QString image = fuzz::scratchFolder() + QStringLiteral("/in.vxp");
    fuzz::writeFile(image, bytes);
    checkImage(image, bytes);
    checkFont(fuzz::scratchFolder() + QStringLiteral("/in.vxf"), bytes);
    return 0;
}

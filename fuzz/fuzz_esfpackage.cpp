// The .esf table parser. The input's first four bytes (low byte first) give
// a package size to check the table against, so that the 24-bit offsets of
// large packages are reached without large inputs; the rest is a package,
// parsed with that claimed size and then opened and unpacked as a real file.
#include "fuzzcheck.h"

#include "assets/esfpackage.h"

#include <QDir>
#include <QFileInfo>

namespace {

void checkContents(const EsfContents &contents, qint64 packageSize)
{
    FUZZ_CHECK(contents.skipped >= 0);
    FUZZ_CHECK(contents.images.size() + contents.skipped <= EsfLayout::slotCount);
    int previous = -1;
    for (const EsfSlot &slot : contents.images) {
        FUZZ_CHECK(slot.number > previous && slot.number < EsfLayout::slotCount);
        previous = slot.number;
        FUZZ_CHECK(slot.length > 0);
        FUZZ_CHECK(qint64(slot.offset) + slot.length <= packageSize);
    }
}

void unpack(const QByteArray &package)
{
    const QString folder = fuzz::scratchFolder() + QStringLiteral("/images");
    QDir(folder).removeRecursively();
    FUZZ_CHECK(QDir().mkpath(folder));
    const QString path = fuzz::scratchFolder() + QStringLiteral("/package.esf");
    fuzz::writeFile(path, package);

    QString error;
    const auto opened = openEsfPackage(path, error);
    FUZZ_CHECK(opened.has_value());
    checkContents(opened->contents, package.size());
    const EsfExtraction extraction = extractEsfImages(*opened, folder);
    FUZZ_CHECK(extraction.failures.isEmpty());
    FUZZ_CHECK(extraction.written.size() == opened->contents.images.size());
    for (int i = 0; i < extraction.written.size(); ++i) {
        const EsfSlot &slot = opened->contents.images.at(i);
        const QString &written = extraction.written.at(i);
        FUZZ_CHECK(QFileInfo(written).absolutePath() == QFileInfo(folder).absoluteFilePath());
        FUZZ_CHECK(fuzz::readFile(written) == package.mid(int(slot.offset), int(slot.length)));
    }
    FUZZ_CHECK(QDir(folder).entryList(QDir::Files).size() == extraction.written.size());
    FUZZ_CHECK(!esfImportSummary(*opened, extraction, 0).isEmpty());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::silenceQtMessages();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 4)
        return 0;
    const qint64 claimed =
        qint64(data[0]) | qint64(data[1]) << 8 | qint64(data[2]) << 16 | qint64(data[3]) << 24;
    const QByteArray package = fuzz::bytesOf(data + 4, size - 4);
    const EsfOffsets offsets = esfOffsets(package);
    for (int i = 0; i < EsfLayout::offsetCount; ++i)
        FUZZ_CHECK(offsets[i] <= 0xFFFFFF);
    checkContents(esfContents(offsets, claimed), claimed);
    unpack(package);
    return 0;
}

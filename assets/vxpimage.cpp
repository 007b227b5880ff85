#include "assets/vxpimage.h"

#include "assets/assetfiles.h"
#include "commands/colors.h"
#include "files/plainfile.h"

#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <vector>

namespace {

constexpr int wordCount = 1 << 16;
// Magenta is the customary "not drawn" colour, and rare in real pictures.
constexpr quint16 preferredTransparentWord = 0xF81F;
constexpr int leastOpaqueAlpha = 128;
constexpr QRgb checkerGrey = 0xFFCCCCCC;

using Words = std::vector<quint16>;

quint16 wordAt(const QByteArray &bytes, int offset)
{
    return qFromLittleEndian<quint16>(bytes.constData() + offset);
}

int headerWidth(const QByteArray &header)
{
    return wordAt(header, VxpHeader::widthOffset);
}

int headerHeight(const QByteArray &header)
{
    return quint8(header.at(VxpHeader::heightOffset));
}

qint64 fileSize(int width, int height)
{
    return VxpHeader::size + 2 * qint64(width) * height;
}

QString bytesText(qint64 count)
{
    return countedNoun(int(count), QStringLiteral("byte"));
}

// The 8-bit colour of every word, worked out once so that decoding costs one
// look-up a pixel.
const std::vector<QRgb> &colorsOfWords()
{
    static const std::vector<QRgb> colors = [] {
        std::vector<QRgb> table(wordCount);
        for (int word = 0; word < wordCount; ++word)
            table[size_t(word)] = colorOfWord(quint16(word)).rgb();
        return table;
    }();
    return colors;
}

QString vxpProblem(const QByteArray &bytes, const QString &name)
{
    if (bytes.size() < VxpHeader::size)
        return QStringLiteral("%1 is %2, shorter than a .vxp header (%3)")
            .arg(name, bytesText(bytes.size()), bytesText(VxpHeader::size));
    const int width = headerWidth(bytes);
    const int height = headerHeight(bytes);
    if (width == 0 || height == 0)
        return QStringLiteral("%1 holds no pixels (%2 x %3)")
            .arg(name, QString::number(width), QString::number(height));
    const qint64 needed = fileSize(width, height);
    if (bytes.size() < needed)
        return QStringLiteral("%1 is %2, too short for %3 x %4 pixels (%5)")
            .arg(name, bytesText(bytes.size()), QString::number(width), QString::number(height),
                 bytesText(needed));
    return QString();
}

QImage decodedPixels(const QByteArray &bytes)
{
    const int width = headerWidth(bytes);
    const int height = headerHeight(bytes);
    QImage image(width, height, QImage::Format_ARGB32);
    if (image.isNull())
        return image;
    const quint16 transparent = wordAt(bytes, VxpHeader::transparentOffset);
    const std::vector<QRgb> &colors = colorsOfWords();
    const char *stored = bytes.constData() + VxpHeader::size;
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x, stored += 2) {
            const quint16 word = qFromLittleEndian<quint16>(stored);
            line[x] = word == transparent ? colors[word] & RGB_MASK : colors[word];
        }
    }
    return image;
}

// The header and as much as its pixels take, however long the file is.
QByteArray readVxp(QFile &file)
{
    QByteArray bytes = file.read(VxpHeader::size);
    if (bytes.size() == VxpHeader::size) {
        const qint64 pixels = fileSize(headerWidth(bytes), headerHeight(bytes)) - VxpHeader::size;
        bytes += file.read(std::min(pixels, file.bytesAvailable()));
    }
    return bytes;
}

bool isTransparent(QRgb pixel)
{
    return qAlpha(pixel) < leastOpaqueAlpha;
}

QString limitProblem(const QSize &size)
{
    if (size.width() > VxpHeader::maxWidth)
        return QStringLiteral("%1 pixels wide; a .vxp holds at most %2 columns "
                              "(use fit to scale it down)")
            .arg(size.width())
            .arg(VxpHeader::maxWidth);
    if (size.height() > VxpHeader::maxHeight)
        return QStringLiteral("%1 pixels tall; a .vxp holds at most %2 rows "
                              "(use fit to scale it down)")
            .arg(size.height())
            .arg(VxpHeader::maxHeight);
    return QString();
}

QImage fitted(const QImage &picture)
{
    const QSize limits(VxpHeader::maxWidth, VxpHeader::maxHeight);
    // A long thin strip could otherwise round to no rows at all.
    const QSize size = picture.size()
                           .scaled(picture.size().boundedTo(limits), Qt::KeepAspectRatio)
                           .expandedTo(QSize(1, 1));
    return picture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

// The picture to convert, unpremultiplied and within the limits, or a null
// image with `conversion.error` set.
QImage convertible(const QImage &picture, bool fit, VxpConversion &conversion)
{
    if (picture.isNull()) {
        conversion.error = QStringLiteral("the picture has no pixels");
        return QImage();
    }
    const QString problem = limitProblem(picture.size());
    if (!problem.isEmpty() && !fit) {
        conversion.error = problem;
        return QImage();
    }
    conversion.scaled = !problem.isEmpty();
    const QImage argb =
        (conversion.scaled ? fitted(picture) : picture).convertToFormat(QImage::Format_ARGB32);
    if (argb.isNull())
        conversion.error = QStringLiteral("not enough memory to convert it");
    return argb;
}

Words plainWords(const QImage &argb, std::optional<quint16> transparentWord)
{
    Words words;
    words.reserve(size_t(argb.width()) * size_t(argb.height()));
    for (int y = 0; y < argb.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            const QRgb pixel = line[x];
            words.push_back(transparentWord && isTransparent(pixel)
                                ? *transparentWord
                                : rgb565(qRed(pixel), qGreen(pixel), qBlue(pixel)));
        }
    }
    return words;
}

// For each 8-bit value of a channel, the nearest value a stored field widens to.
using Levels = std::array<quint8, 256>;

quint8 nearest(const std::vector<int> &widened, int value)
{
    return quint8(*std::min_element(widened.begin(), widened.end(), [value](int a, int b) {
        return std::abs(a - value) < std::abs(b - value);
    }));
}

std::array<Levels, 3> nearestLevels()
{
    // What each field value widens to, asked of words with only that field set.
    std::array<std::vector<int>, 3> widened;
    for (int field = 0; field < 32; ++field) {
        widened[0].push_back(colorOfWord(quint16(field << 11)).red());
        widened[2].push_back(colorOfWord(quint16(field)).blue());
    }
    for (int field = 0; field < 64; ++field)
        widened[1].push_back(colorOfWord(quint16(field << 5)).green());
    std::array<Levels, 3> levels;
    for (size_t channel = 0; channel < levels.size(); ++channel)
        for (int value = 0; value < 256; ++value)
            levels[channel][size_t(value)] = nearest(widened[channel], value);
    return levels;
}

// Floyd-Steinberg error diffusion over rows scanned left to right. The errors
// owed to this row and the next are kept per channel, with a spare pixel at
// each end so that edge pixels need no test.
class ErrorDiffusion
{
public:
    explicit ErrorDiffusion(int width) : current(entries(width)), next(entries(width)) {}

    // The level `value` of `channel` at column `x` is stored as; what it
    // misses by goes to the pixels not yet chosen.
    int level(size_t channel, int value, int x)
    {
        static const std::array<Levels, 3> levels = nearestLevels();
        const size_t at = 3 * size_t(x + 1) + channel;
        const float wanted = std::clamp(float(value) + current[at], 0.0f, 255.0f);
        const int chosen = levels[channel][size_t(wanted + 0.5f)];
        const float error = wanted - float(chosen);
        current[at + 3] += error * (7.0f / 16);
        next[at - 3] += error * (3.0f / 16);
        next[at] += error * (5.0f / 16);
        next[at + 3] += error * (1.0f / 16);
        return chosen;
    }

    void endRow()
    {
        std::swap(current, next);
        std::fill(next.begin(), next.end(), 0.0f);
    }

private:
    static size_t entries(int width) { return 3 * (size_t(width) + 2); }

    std::vector<float> current;
    std::vector<float> next;
};

// Transparent pixels are skipped: what is owed to them is dropped, and they
// owe nothing, so the pixels around them look as they would in a full picture.
Words ditheredWords(const QImage &argb, std::optional<quint16> transparentWord)
{
    Words words;
    words.reserve(size_t(argb.width()) * size_t(argb.height()));
    ErrorDiffusion diffusion(argb.width());
    for (int y = 0; y < argb.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            const QRgb pixel = line[x];
            if (transparentWord && isTransparent(pixel)) {
                words.push_back(*transparentWord);
                continue;
            }
            words.push_back(rgb565(diffusion.level(0, qRed(pixel), x),
                                   diffusion.level(1, qGreen(pixel), x),
                                   diffusion.level(2, qBlue(pixel), x)));
        }
        diffusion.endRow();
    }
    return words;
}

std::optional<quint16> unusedWord(const Words &words)
{
    std::vector<bool> used(wordCount);
    for (quint16 word : words)
        used[word] = true;
    if (!used[preferredTransparentWord])
        return preferredTransparentWord;
    const auto unused = std::find(used.begin(), used.end(), false);
    if (unused == used.end())
        return std::nullopt;
    return quint16(unused - used.begin());
}

int opaqueInWord(const QImage &argb, const Words &words, quint16 word)
{
    int count = 0;
    size_t index = 0;
    for (int y = 0; y < argb.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x, ++index)
            count += words[index] == word && !isTransparent(line[x]) ? 1 : 0;
    }
    return count;
}

QByteArray vxpFile(const QSize &size, quint16 transparentWord, const Words &words)
{
    QByteArray bytes = vxpHeader(size.width(), size.height(), transparentWord);
    bytes.resize(VxpHeader::size + 2 * int(words.size()));
    qToLittleEndian<quint16>(words.data(), qsizetype(words.size()), bytes.data() + VxpHeader::size);
    return bytes;
}

void encode(const QImage &argb, const VxpOptions &options, VxpConversion &conversion)
{
    std::optional<quint16> transparentWord;
    if (options.transparent)
        transparentWord = rgb565(*options.transparent);
    const Words words =
        options.dither ? ditheredWords(argb, transparentWord) : plainWords(argb, transparentWord);
    if (transparentWord) {
        conversion.opaqueInTransparent = opaqueInWord(argb, words, *transparentWord);
    } else {
        transparentWord = unusedWord(words);
        if (!transparentWord) {
            conversion.error = QStringLiteral("it uses all %1 colours, leaving none to mark "
                                              "transparency (choose a transparent colour)")
                                   .arg(wordCount);
            return;
        }
    }
    conversion.transparentWord = *transparentWord;
    conversion.bytes = vxpFile(argb.size(), *transparentWord, words);
}

} // namespace

QByteArray vxpHeader(int width, int height, quint16 transparentColor)
{
    Q_ASSERT(width >= 0 && width <= VxpHeader::maxWidth);
    Q_ASSERT(height >= 0 && height <= VxpHeader::maxHeight);
    QByteArray header(VxpHeader::size, '\0');
    qToLittleEndian<quint16>(quint16(width), header.data() + VxpHeader::widthOffset);
    header[VxpHeader::heightOffset] = char(height);
    qToLittleEndian<quint16>(transparentColor, header.data() + VxpHeader::transparentOffset);
    return header;
}

VxpConversion convertToVxp(const QImage &picture, const VxpOptions &options)
{
    VxpConversion conversion;
    const QImage argb = convertible(picture, options.fit, conversion);
    if (argb.isNull())
        return conversion;
    conversion.size = argb.size();
    encode(argb, options, conversion);
    return conversion;
}

VxpPicture decodeVxp(const QByteArray &bytes, const QString &name)
{
    VxpPicture picture;
    picture.problem = vxpProblem(bytes, name);
    if (!picture.problem.isEmpty())
        return picture;
    picture.image = decodedPixels(bytes);
    if (picture.image.isNull())
        picture.problem =
            QStringLiteral("%1 is too large to show in the memory there is").arg(name);
    return picture;
}

VxpPicture previewImage(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    QFile file(path);
    QString why;
    if (!openPlainFile(file, why))
        return {QImage(), QStringLiteral("cannot open %1 (%2)").arg(name, why)};
    if (path.endsWith(QLatin1String(".vxp"), Qt::CaseInsensitive))
        return decodeVxp(readVxp(file), name);
    file.close();
    const QImage bitmap = loadBitmap(path);
    if (bitmap.isNull())
        return {QImage(), QStringLiteral("%1 does not load as a picture").arg(name)};
    return {bitmap.convertToFormat(QImage::Format_ARGB32), QString()};
}

QImage withCheckerboard(const QImage &picture, int cell)
{
    if (picture.isNull())
        return QImage();
    cell = std::max(cell, 1);
    QImage board(picture.size(), QImage::Format_RGB32);
    for (int y = 0; y < board.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(board.scanLine(y));
        for (int x = 0; x < board.width(); ++x)
            line[x] = (x / cell + y / cell) % 2 == 0 ? checkerGrey : 0xFFFFFFFF;
    }
    QPainter painter(&board);
    painter.drawImage(0, 0, picture);
    return board;
}

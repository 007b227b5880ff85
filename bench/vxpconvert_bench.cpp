// Converts a screen-sized picture to .vxp, plain and dithered, and sets the
// times against an absolute target, with Qt's own conversion to 16-bit colour
// beside them for scale. Each result is decoded again and compared with the
// picture. Run by scripts/bench.sh, not a test.
#include "assets/vxpimage.h"
#include "benchsupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>

#include <cstdio>
#include <cstdlib>
#include <functional>

namespace {

constexpr int width = 320; // the module's screen
constexpr int height = 240;
constexpr int runs = 200;
constexpr int warmUps = 10;
constexpr double targetMs = 5.0;

// A gradient in all three channels with noise on top, so that neither the
// plain nor the dithered conversion meets long runs of one colour.
QImage noisyGradient()
{
    QImage picture(width, height, QImage::Format_ARGB32);
    quint32 seed = 2463534242u;
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(picture.scanLine(y));
        for (int x = 0; x < width; ++x) {
            seed ^= seed << 13;
            seed ^= seed >> 17;
            seed ^= seed << 5;
            const int noise = int(seed % 17) - 8;
            line[x] = qRgb(qBound(0, x * 255 / (width - 1) + noise, 255),
                           qBound(0, y * 255 / (height - 1) - noise, 255),
                           qBound(0, (x + y) * 255 / (width + height - 2) + noise / 2, 255));
        }
    }
    return picture;
}

// Median milliseconds of `runs` calls, after a few that fill caches and tables.
double medianMs(const std::function<void()> &work)
{
    for (int i = 0; i < warmUps; ++i)
        work();
    QVector<double> times;
    QElapsedTimer timer;
    for (int i = 0; i < runs; ++i) {
        timer.start();
        work();
        times.append(timer.nsecsElapsed() / 1e6);
    }
    return median(times);
}

QImage decoded(const VxpConversion &conversion)
{
    const VxpPicture picture = decodeVxp(conversion.bytes);
    if (!picture.problem.isEmpty() || picture.image.size() != QSize(width, height))
        return QImage();
    return picture.image;
}

// Every pixel within what 5 and 6 bits can hold of its colour.
bool closeToPicture(const QImage &image, const QImage &picture)
{
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const QRgb got = image.pixel(x, y);
            const QRgb wanted = picture.pixel(x, y);
            if (std::abs(qRed(got) - qRed(wanted)) > 8 ||
                std::abs(qGreen(got) - qGreen(wanted)) > 4 ||
                std::abs(qBlue(got) - qBlue(wanted)) > 8 || qAlpha(got) != 255)
                return false;
        }
    }
    return true;
}

// Error diffusion keeps each channel's average where the picture has it.
bool sameAverages(const QImage &image, const QImage &picture)
{
    double difference[3] = {0, 0, 0};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const QRgb got = image.pixel(x, y);
            const QRgb wanted = picture.pixel(x, y);
            difference[0] += qRed(got) - qRed(wanted);
            difference[1] += qGreen(got) - qGreen(wanted);
            difference[2] += qBlue(got) - qBlue(wanted);
        }
    }
    for (double sum : difference) {
        if (std::abs(sum / (width * height)) > 1.0)
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const QImage picture = noisyGradient();
    VxpOptions dithered;
    dithered.dither = true;
    const VxpConversion plainResult = convertToVxp(picture, VxpOptions{});
    const VxpConversion ditheredResult = convertToVxp(picture, dithered);
    const QImage plainImage = decoded(plainResult);
    const QImage ditheredImage = decoded(ditheredResult);
    const bool plainRight = !plainImage.isNull() && closeToPicture(plainImage, picture);
    const bool ditherRight = !ditheredImage.isNull() && sameAverages(ditheredImage, picture) &&
                             ditheredImage != plainImage;

    const double qtMs =
        medianMs([&picture] { picture.convertToFormat(QImage::Format_RGB16).constBits(); });
    const double plainMs = medianMs([&picture] { convertToVxp(picture, VxpOptions{}); });
    const double ditherMs = medianMs([&picture, &dithered] { convertToVxp(picture, dithered); });

    std::printf("Picture to .vxp: a %d x %d noisy gradient, median of %d runs each\n", width,
                height, runs);
    std::printf("for scale:     QImage::convertToFormat(Format_RGB16) %.3f ms\n", qtMs);
    std::printf("plain:         %.3f ms (target under %.1f ms), %.1f x Qt's; %s\n", plainMs,
                targetMs, plainMs / qtMs,
                plainRight ? "every pixel within 5/6-bit steps" : "PIXELS WRONG");
    std::printf("dithered:      %.3f ms (target under %.1f ms), %.1f x Qt's; %s\n", ditherMs,
                targetMs, ditherMs / qtMs,
                ditherRight ? "channel averages kept" : "DITHERED PIXELS WRONG");
    const bool met = plainRight && ditherRight && plainMs < targetMs && ditherMs < targetMs;
    std::printf("%s\n", met ? "targets met" : "TARGETS MISSED");
    return met ? 0 : 1;
}

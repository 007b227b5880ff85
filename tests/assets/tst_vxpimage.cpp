#include "assets/assetfiles.h"
#include "assets/testfiles.h"
#include "assets/vxpimage.h"
#include "commands/colors.h"

#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <array>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {

// A picture of one row per list, in Format_ARGB32 unless told otherwise.
QImage pictureOf(const QList<QList<QRgb>> &rows, QImage::Format format = QImage::Format_ARGB32)
{
    QImage picture(rows.first().size(), rows.size(), format);
    for (int y = 0; y < rows.size(); ++y)
        for (int x = 0; x < rows.at(y).size(); ++x)
            picture.setPixel(x, y, rows.at(y).at(x));
    return picture;
}

QImage filled(const QSize &size, QRgb color)
{
    QImage picture(size, QImage::Format_ARGB32);
    picture.fill(color);
    return picture;
}

quint16 pixelWord(const QByteArray &file, int index)
{
    return qFromLittleEndian<quint16>(file.constData() + 6 + 2 * index);
}

QList<quint16> pixelWords(const QByteArray &file)
{
    QList<quint16> words;
    for (int index = 0; 6 + 2 * index < file.size(); ++index)
        words << pixelWord(file, index);
    return words;
}

// Mean red, green and blue of a picture.
std::array<double, 3> meanColor(const QImage &picture)
{
    std::array<double, 3> sums{};
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb pixel = picture.pixel(x, y);
            sums[0] += qRed(pixel);
            sums[1] += qGreen(pixel);
            sums[2] += qBlue(pixel);
        }
    for (double &sum : sums)
        sum /= double(picture.width()) * picture.height();
    return sums;
}

const VxpOptions dithered{std::nullopt, true};

} // namespace

// Converting pictures to .vxp files and showing .vxp files and bitmaps.
class VxpImageTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void coloursAreStoredLowByteFirst()
    {
        QCOMPARE(vxpHeader(320, 240, 0x1234).toHex(), QByteArray("4001f0003412"));
        const QImage primaries =
            pictureOf({{qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(255, 255, 255),
                        qRgb(0, 0, 0), qRgb(0x12, 0x34, 0x56)}});
        const VxpConversion conversion = convertToVxp(primaries, {});
        QVERIFY(conversion.error.isEmpty());
        QCOMPARE(conversion.bytes.toHex(), QByteArray("060001001ff8"
                                                      "00f8e0071f00ffff0000aa11"));
        QCOMPARE(conversion.size, QSize(6, 1));
        QVERIFY(!conversion.scaled);

        // Premultiplied pictures are stored as the colour they show, not as darker ones.
        const QImage premultiplied =
            pictureOf({{qRgba(64, 0, 0, 64)}}, QImage::Format_ARGB32_Premultiplied);
        QCOMPARE(pixelWord(convertToVxp(premultiplied, {}).bytes, 0), quint16(0xF800));
    }

    void alphaDecidesTransparencyOnlyWithATransparentColour()
    {
        const QImage picture = pictureOf(
            {{qRgba(0, 255, 0, 0), qRgba(255, 0, 0, 127), qRgba(255, 0, 0, 128), qRgb(0, 0, 255)}});
        const VxpConversion blueMarks = convertToVxp(picture, VxpOptions{QColor(Qt::blue)});
        QCOMPARE(blueMarks.bytes.toHex(), QByteArray("040001001f00"
                                                     "1f001f0000f81f00"));
        QCOMPARE(blueMarks.transparentWord, quint16(0x001F));
        QCOMPARE(blueMarks.opaqueInTransparent, 1); // the blue pixel, left as it is

        const VxpConversion noMarks = convertToVxp(picture, {});
        QCOMPARE(noMarks.bytes.toHex(), QByteArray("040001001ff8"
                                                   "e00700f800f81f00"));
        QCOMPARE(noMarks.opaqueInTransparent, 0);
    }

    void sizeLimits_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("fit");
        QTest::addColumn<QSize>("stored"); // invalid when refused
        QTest::addColumn<QString>("error");
        const QString fitHint = " (use fit to scale it down)";
        QTest::newRow("widest") << QSize(65535, 1) << false << QSize(65535, 1) << QString();
        QTest::newRow("tallest") << QSize(3, 255) << false << QSize(3, 255) << QString();
        QTest::newRow("too tall") << QSize(3, 256) << false << QSize()
                                  << "256 pixels tall; a .vxp holds at most 255 rows" + fitHint;
        QTest::newRow("too wide") << QSize(65536, 1) << false << QSize()
                                  << "65536 pixels wide; a .vxp holds at most 65535 columns" +
                                         fitHint;
        QTest::newRow("empty") << QSize(0, 0) << true << QSize() << "the picture has no pixels";
        QTest::newRow("tall, fitted") << QSize(400, 1000) << true << QSize(102, 255) << QString();
        QTest::newRow("wide, fitted") << QSize(131070, 10) << true << QSize(65535, 5) << QString();
        QTest::newRow("strip, fitted") << QSize(131070, 1) << true << QSize(65535, 1) << QString();
        QTest::newRow("fits already") << QSize(320, 240) << true << QSize(320, 240) << QString();
    }

    void sizeLimits()
    {
        QFETCH(QSize, size);
        QFETCH(bool, fit);
        QFETCH(QSize, stored);
        QFETCH(QString, error);
        const VxpOptions options{std::nullopt, false, fit};
        const VxpConversion conversion =
            convertToVxp(size.isEmpty() ? QImage() : filled(size, qRgb(10, 200, 30)), options);
        QCOMPARE(conversion.error, error);
        if (!stored.isValid()) {
            QVERIFY(conversion.bytes.isEmpty());
            return;
        }
        QCOMPARE(conversion.size, stored);
        QCOMPARE(conversion.scaled, stored != size);
        QCOMPARE(conversion.bytes.size(), 6 + 2 * stored.width() * stored.height());
        QCOMPARE(conversion.bytes.left(6),
                 vxpHeader(stored.width(), stored.height(), conversion.transparentWord));
        QCOMPARE(decodeVxp(conversion.bytes).image.size(), stored);
    }

    void chosenTransparentWordIsInNoPixel()
    {
        // Magenta and the lowest words are taken: the next lowest is chosen.
        const QImage taken = pictureOf({{qRgb(255, 0, 255), qRgb(0, 0, 0), qRgb(0, 0, 8)}});
        const VxpConversion conversion = convertToVxp(taken, {});
        QCOMPARE(conversion.transparentWord, quint16(0x0002));
        QCOMPARE(conversion.bytes.mid(4, 2).toHex(), QByteArray("0200"));

        // A dark blue dithers into words the plain conversion does not have.
        QImage darkBlue = filled(QSize(32, 4), qRgb(0, 0, 4));
        darkBlue.setPixel(5, 2, qRgb(255, 0, 255));
        for (const VxpOptions &options : {VxpOptions(), dithered}) {
            const VxpConversion choice = convertToVxp(darkBlue, options);
            QVERIFY(!pixelWords(choice.bytes).contains(choice.transparentWord));
        }

        // A picture with every word leaves none to spare, unless one is given.
        QImage everyWord(512, 128, QImage::Format_ARGB32);
        for (int word = 0; word < 65536; ++word)
            everyWord.setPixel(word % 512, word / 512, colorOfWord(quint16(word)).rgb());
        const VxpConversion full = convertToVxp(everyWord, {});
        QVERIFY(full.bytes.isEmpty());
        QVERIFY(full.error.contains("65536"));
        QCOMPARE(convertToVxp(everyWord, VxpOptions{QColor(Qt::magenta)}).opaqueInTransparent, 1);
    }

    void ditheringKeepsTheMeanColour()
    {
        // 100 lies between the levels 99 and 107 (red, blue) and 97 and 101 (green).
        const QImage grey = filled(QSize(64, 16), qRgb(100, 100, 100));
        const VxpConversion plain = convertToVxp(grey, {});
        const VxpConversion dither = convertToVxp(grey, dithered);
        QCOMPARE(dither.bytes.left(VxpHeader::size), plain.bytes.left(VxpHeader::size));
        QCOMPARE(dither.bytes.size(), plain.bytes.size());
        const QList<quint16> words = pixelWords(dither.bytes);
        QVERIFY(QSet<quint16>(words.begin(), words.end()).size() > 1);
        for (double mean : meanColor(decodeVxp(dither.bytes).image))
            QVERIFY2(qAbs(mean - 100) < 0.5, qPrintable(QString::number(mean)));

        QImage ramp(256, 8, QImage::Format_ARGB32);
        for (int x = 0; x < ramp.width(); ++x)
            for (int y = 0; y < ramp.height(); ++y)
                ramp.setPixel(x, y, qRgb(x, 255 - x, (x * 3) % 256));
        const std::array<double, 3> rampMean = meanColor(ramp);
        const std::array<double, 3> ditheredMean =
            meanColor(decodeVxp(convertToVxp(ramp, dithered).bytes).image);
        for (size_t channel = 0; channel < 3; ++channel)
            QVERIFY(qAbs(ditheredMean[channel] - rampMean[channel]) < 1.0);

        // A colour the module shows exactly gets no noise.
        const QImage exact = filled(QSize(16, 16), qRgb(132, 130, 132));
        QCOMPARE(convertToVxp(exact, dithered).bytes, convertToVxp(exact, {}).bytes);
    }

    void transparentPixelsSpreadNoError()
    {
        // Stored, the hidden pixel's colour would push its neighbour up a level.
        const QImage behind = pictureOf({{qRgba(4, 4, 4, 0), qRgb(135, 135, 135)}});
        const QImage alone = pictureOf({{qRgb(135, 135, 135)}});
        const VxpOptions options{QColor(Qt::magenta), true};
        const QByteArray file = convertToVxp(behind, options).bytes;
        QCOMPARE(pixelWord(file, 0), quint16(0xF81F));
        QCOMPARE(pixelWord(file, 1), pixelWord(convertToVxp(alone, options).bytes, 0));
    }

    void decodedPixelsGiveTheirWordsBack()
    {
        // Rows from the top, each from the left; 0x0821 is the transparent word.
        const QByteArray file = QByteArray::fromHex("020002002108"
                                                    "ffff21081084000012ab");
        const VxpPicture picture = decodeVxp(file);
        QVERIFY(picture.problem.isEmpty());
        QCOMPARE(picture.image.format(), QImage::Format_ARGB32);
        QCOMPARE(picture.image.pixel(0, 0), 0xFFFFFFFFu);
        QCOMPARE(picture.image.pixel(1, 0), 0x00080408u);
        QCOMPARE(picture.image.pixel(0, 1), 0xFF848284u);
        QCOMPARE(picture.image.pixel(1, 1), 0xFF000000u);

        QImage source(40, 20, QImage::Format_ARGB32);
        for (int y = 0; y < source.height(); ++y)
            for (int x = 0; x < source.width(); ++x)
                source.setPixel(x, y,
                                qRgba((x * 37 + y * 11) % 240, (x * 5 + y * 50) % 256,
                                      (x * y * 7) % 256, (x + y) % 7 == 0 ? 0 : 255));
        const QImage decoded =
            decodeVxp(convertToVxp(source, VxpOptions{QColor(Qt::magenta)}).bytes).image;
        for (int y = 0; y < source.height(); ++y)
            for (int x = 0; x < source.width(); ++x) {
                const QRgb was = source.pixel(x, y);
                const QRgb is = decoded.pixel(x, y);
                QCOMPARE(qAlpha(is), qAlpha(was));
                if (qAlpha(was) > 0) {
                    QCOMPARE(rgb565(QColor(is)), rgb565(QColor(was)));
                    QVERIFY(qAbs(qRed(is) - qRed(was)) < 8 && qAbs(qBlue(is) - qBlue(was)) < 8);
                    QVERIFY(qAbs(qGreen(is) - qGreen(was)) < 4);
                }
            }
    }

    void filesThatCannotBeShown_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("problem");
        QTest::newRow("no header") << QByteArray::fromHex("400100")
                                   << "t.vxp is 3 bytes, shorter than a .vxp header (6 bytes)";
        QTest::newRow("no columns")
            << QByteArray::fromHex("000005000000ffff") << "t.vxp holds no pixels (0 x 5)";
        QTest::newRow("no rows") << QByteArray::fromHex("050000000000ffff")
                                 << "t.vxp holds no pixels (5 x 0)";
        QTest::newRow("screenful")
            << QByteArray::fromHex("4001f0000000") + QByteArray(994, '\x55')
            << "t.vxp is 1000 bytes, too short for 320 x 240 pixels (153606 bytes)";
        QTest::newRow("a byte short")
            << QByteArray::fromHex("0200020000000102030405060708").left(13)
            << "t.vxp is 13 bytes, too short for 2 x 2 pixels (14 bytes)";
    }

    void filesThatCannotBeShown()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, problem);
        const VxpPicture decoded = decodeVxp(bytes, "t.vxp");
        QVERIFY(decoded.image.isNull());
        QCOMPARE(decoded.problem, problem);
        const VxpPicture previewed = previewImage(writeFile(dir.path(), "t.vxp", bytes));
        QVERIFY(previewed.image.isNull());
        QCOMPARE(previewed.problem, problem);
    }

    void previewsOfFiles()
    {
        const QImage picture = pictureOf({{qRgb(255, 0, 0), qRgba(0, 0, 0, 0), qRgb(0, 0, 255)},
                                          {qRgb(8, 4, 8), qRgb(255, 255, 255), qRgb(0, 0, 0)}});
        const QByteArray vxp = convertToVxp(picture, VxpOptions{QColor(Qt::black)}).bytes;
        const QByteArray trailing = vxp + QByteArray(100000, 'x');
        QCOMPARE(previewImage(writeFile(dir.path(), "PIC.VXP", trailing)).image,
                 decodeVxp(vxp).image);

        const QString bmp = dir.filePath("pic.bmp");
        QVERIFY(picture.convertToFormat(QImage::Format_RGB32).save(bmp));
        const VxpPicture bitmap = previewImage(bmp);
        QVERIFY(bitmap.problem.isEmpty());
        QCOMPARE(bitmap.image.format(), QImage::Format_ARGB32);
        QCOMPARE(bitmap.image.pixel(2, 0), qRgb(0, 0, 255));
        QCOMPARE(bitmap.image.pixel(0, 1), qRgb(8, 4, 8));

        QCOMPARE(previewImage(dir.filePath("gone.vxp")).problem,
                 QString("cannot open gone.vxp (no such file)"));
        QCOMPARE(previewImage(writeFile(dir.path(), "notes.png", "not a picture")).problem,
                 QString("notes.png does not load as a picture"));
#ifdef Q_OS_UNIX
        const QString fifo = dir.filePath("pipe.bmp"); // reading it would block for good
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QCOMPARE(previewImage(fifo).problem, QString("cannot open pipe.bmp (not a plain file)"));
#endif
    }

    void transparentPixelsShowTheCheckerboard()
    {
        QImage picture = filled(QSize(16, 8), qRgba(0, 0, 0, 0));
        for (int y = 0; y < 8; ++y)
            for (int x = 8; x < 16; ++x)
                picture.setPixel(x, y, qRgb(255, 0, 0));
        const QImage shown = withCheckerboard(picture, 4);
        QCOMPARE(shown.size(), picture.size());
        QVERIFY(!shown.hasAlphaChannel());
        const QRgb first = shown.pixel(0, 0);
        const QRgb second = shown.pixel(4, 0);
        QVERIFY(first != second);
        QVERIFY(qGray(first) > 150 && qGray(second) > 150);
        QCOMPARE(shown.pixel(3, 3), first);
        QCOMPARE(shown.pixel(4, 4), first);
        QCOMPARE(shown.pixel(0, 4), second);
        QCOMPARE(shown.pixel(8, 0), qRgb(255, 0, 0));
        QCOMPARE(shown.pixel(15, 7), qRgb(255, 0, 0));
    }
};

QTEST_GUILESS_MAIN(VxpImageTest)
#include "tst_vxpimage.moc"

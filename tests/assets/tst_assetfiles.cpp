#include "assets/assetfiles.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

class AssetFilesTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;

    QString writeFile(const QString &name, const QByteArray &content)
    {
        const QString path = dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    static QByteArray fontBytes(int size, char height, char first, char last)
    {
        QByteArray bytes(size, '\x55');
        bytes[0] = height;
        bytes[34] = first;
        bytes[35] = last;
        return bytes;
    }

private slots:
    void vxfFontShowsItsThreeBytes()
    {
        const QString path = writeFile("big.vxf", fontBytes(600, 16, 32, 126));
        const FontFile font = readFontFile(path);
        QVERIFY(font.problem.isEmpty());
        QCOMPARE(font.entry.name, QString("big.vxf"));
        QCOMPARE(fontCells(3, path, font.entry),
                 QStringList({"3", path, "16", "32", "126", "600", "VXF"}));
    }

    void fontFileEdgeCases()
    {
        const FontFile shortFont = readFontFile(writeFile("short.vxf", QByteArray(20, '\x09')));
        QCOMPARE(shortFont.entry.height, quint8(9));
        QCOMPARE(shortFont.entry.firstCharacter, quint8(0));
        QCOMPARE(shortFont.entry.lastCharacter, quint8(0));
        QCOMPARE(shortFont.entry.size, quint32(20));

        QCOMPARE(readFontFile(writeFile("FONT.VXF", fontBytes(40, 8, 48, 57))).entry.type,
                 quint8(fontTypeVxf));
        const FontFile truetype = readFontFile(writeFile("Nova Square.ttf", QByteArray(1234, 'x')));
        QCOMPARE(fontCells(0, "t", truetype.entry).mid(5), QStringList({"1234", "TTF"}));
        QCOMPARE(readFontFile(writeFile("empty.vxf", QByteArray())).entry.height, quint8(0));

        const FontFile missing = readFontFile(dir.filePath("gone.vxf"));
        QVERIFY(missing.problem.contains("gone.vxf"));
        QCOMPARE(fontCells(0, "gone", missing.entry),
                 QStringList({"0", "gone", "0", "0", "0", "0", "VXF"}));
    }

    void vxpHeaderIsReadLowByteFirst()
    {
        QByteArray bytes("\x40\x01\xF0\x00\x1F\xF8", 6);
        bytes += QByteArray(100, '\xAA');
        const QString path = writeFile("PIC.VXP", bytes);
        ImageFile image = readImageFile(path);
        QVERIFY(image.problem.isEmpty());
        image.entry.number = 4;
        QCOMPARE(imageCells(path, image),
                 QStringList({"4", path, "320", "240", "106", "63519", "16", "vxp"}));
        QCOMPARE(image.entry.depth, quint8(16));
    }

    void vxpShorterThanItsHeader()
    {
        const QString path = writeFile("tiny.vxp", QByteArray("\x40\x01\xF0", 3));
        const ImageFile image = readImageFile(path);
        QVERIFY(image.problem.contains("tiny.vxp"));
        QCOMPARE(imageCells(path, image), QStringList({"0", path, "", "", "3", "", "", "vxp"}));
    }

    void bitmapsGoThroughTheImageReader()
    {
        QImage picture(7, 5, QImage::Format_RGB888);
        picture.fill(Qt::blue);
        const QString path = dir.filePath("logo.BMP");
        QVERIFY(picture.save(path, "bmp"));
        const ImageFile image = readImageFile(path);
        QVERIFY(image.problem.isEmpty());
        const QStringList cells = imageCells(path, image);
        QCOMPARE(cells.mid(2, 2), QStringList({"7", "5"}));
        QCOMPARE(cells.at(4), QString::number(QFileInfo(path).size()));
        QCOMPARE(cells.at(5), QString()); // a bitmap has no transparent colour
        QCOMPARE(cells.at(6), QString::number(QImage(path).depth()));
        QCOMPARE(cells.at(7), QString("bmp"));
    }

    void brokenBitmapIsListedAsZeroByZero()
    {
        const QString path = writeFile("broken.bmp", QByteArray("BM\x10\x00garbage", 11));
        const ImageFile image = readImageFile(path);
        QVERIFY(image.problem.contains("does not load"));
        QCOMPARE(imageCells(path, image), QStringList({"0", path, "0", "0", "11", "", "0", "bmp"}));
    }

    void hugeBitmapIsNotDecoded()
    {
        // A header claiming 60000 x 60000 pixels with no pixel data behind it.
        QByteArray bmp("BM", 2);
        const auto le32 = [&bmp](quint32 v) {
            for (int i = 0; i < 4; ++i)
                bmp += char(v >> (8 * i));
        };
        le32(54);
        le32(0);
        le32(54);
        le32(40);
        le32(60000);
        le32(60000);
        bmp += QByteArray("\x01\x00\x18\x00", 4);
        bmp += QByteArray(24, '\0');
        const ImageFile image = readImageFile(writeFile("huge.bmp", bmp));
        QCOMPARE(image.entry.width, quint16(0));
        QVERIFY(!image.problem.isEmpty());
    }

    void otherFilesAndMissingFiles()
    {
        const QString text = writeFile("notes.txt", "12345");
        QCOMPARE(imageCells(text, readImageFile(text)),
                 QStringList({"0", text, "", "", "5", "", "", "vxp"}));
        const QString gone = dir.filePath("gone.bmp");
        const ImageFile missing = readImageFile(gone);
        QVERIFY(missing.problem.contains("gone.bmp"));
        QCOMPARE(imageCells(gone, missing), QStringList({"0", gone, "", "", "0", "", "", "vxp"}));
    }

    void fullListRefusesTheNextEntry()
    {
        FontList list;
        quint8 count = 0;
        for (int i = 0; i < listCapacity; ++i)
            QVERIFY(appendEntry(list, count, FontEntry{QString::number(i), 0, 0, 0, 0, 0}));
        QCOMPARE(int(count), 255);
        QVERIFY(!appendEntry(list, count, FontEntry{"extra", 0, 0, 0, 0, 0}));
        QCOMPARE(int(count), 255);
        QCOMPARE(list[0].name, QString("0")); // not overwritten by a wrapped count
        QCOMPARE(list[254].name, QString("254"));
    }

    void addReportText()
    {
        AddReport report;
        report.added = 1;
        QCOMPARE(report.text("image"), QString("Added 1 image"));
        report.added = 2;
        report.refused = 3;
        report.problems = QStringList{"cannot open a.vxp"};
        QCOMPARE(report.text("font"),
                 QString("Added 2 fonts; 3 fonts not added: the font list holds 255; "
                         "cannot open a.vxp"));
    }
};

QTEST_GUILESS_MAIN(AssetFilesTest)
#include "tst_assetfiles.moc"

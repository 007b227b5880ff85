#include "assets/assetfiles.h"
#include "assets/esfpackage.h"
#include "assets/testfiles.h"

#include <QTemporaryDir>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

// Reading font, image and package files, whatever they hold.
class AssetFilesTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString file(const QString &name, const QByteArray &bytes)
    {
        return writeFile(dir.path(), name, bytes);
    }
    QStringList cellsOf(const QString &path) { return imageCells(path, readImageFile(path)); }

private slots:
    void oddFontAndImageFiles()
    {
        QCOMPARE(fontCells(0, "p", readFontFile(file("FONT.VXF", QByteArray(20, 9))).entry),
                 QStringList({"0", "p", "9", "0", "0", "20", "VXF"})); // bytes 34, 35 missing
        const FontFile gone = readFontFile(dir.filePath("gone.ttf"));
        QCOMPARE(fontCells(0, "p", gone.entry), QStringList({"0", "p", "0", "0", "0", "0", "TTF"}));
        QVERIFY(gone.problem.contains("gone.ttf (no such file)"));

        const QString tiny = file("tiny.vxp", "\x40\x01\xF0");
        QCOMPARE(cellsOf(tiny), QStringList({"0", tiny, "", "", "3", "", "", "vxp"}));
        QVERIFY(readImageFile(tiny).problem.contains("shorter"));
        const QString text = file("notes.txt", "12345");
        QCOMPARE(cellsOf(text), QStringList({"0", text, "", "", "5", "", "", "vxp"}));
        const QString broken = file("broken.bmp", QByteArray("BM\x10\x00garbage", 11));
        QCOMPARE(cellsOf(broken), QStringList({"0", broken, "0", "0", "11", "", "0", "bmp"}));
        // A header claiming 60000 x 60000 pixels is not decoded.
        QByteArray huge = QByteArray::fromHex("424d36000000000000003600000028000000"
                                              "60ea000060ea000001001800");
        QCOMPARE(readImageFile(file("huge.bmp", huge + QByteArray(24, 0))).entry.width, 0);
#ifdef Q_OS_UNIX
        const QString fifo = dir.filePath("pipe.vxp"); // opening it would block for good
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QVERIFY(readImageFile(fifo).problem.contains("not a plain file"));
        QVERIFY(readFontFile(fifo).problem.contains("not a plain file"));
#endif
    }

    void packageSlots_data()
    {
        QTest::addColumn<QList<quint32>>("offsets");
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QList<int>>("numbers");
        QTest::addColumn<int>("skipped");
        QTest::newRow("example") << QList<quint32>{765, 865, 1065} << 1065LL << QList<int>{0, 1}
                                 << 0;
        QTest::newRow("equal") << QList<quint32>{765, 765, 800} << 800LL << QList<int>{1} << 0;
        QTest::newRow("whole") << QList<quint32>{0, 1065} << 1065LL << QList<int>{} << 0;
        QTest::newRow("past end") << QList<quint32>{765, 865, 2000, 2100} << 1065LL << QList<int>{0}
                                  << 1;
        QTest::newRow("partly past") << QList<quint32>{1000, 1100} << 1065LL << QList<int>{} << 1;
        QTest::newRow("empty") << QList<quint32>{} << 0LL << QList<int>{} << 0;
    }

    void packageSlots()
    {
        QFETCH(QList<quint32>, offsets);
        QFETCH(qint64, size);
        QFETCH(QList<int>, numbers);
        QFETCH(int, skipped);
        const EsfContents contents = esfContents(esfOffsets(esfTable(offsets)), size);
        QList<int> found;
        for (const EsfSlot &slot : contents.images)
            found << slot.number;
        QCOMPARE(found, numbers);
        QCOMPARE(contents.skipped, skipped);
    }

    void packageImagesAreReadFromTheirOwnOffsets()
    {
        // Image 0 lies behind image 2, with a gap in front; slot 1 wraps and is empty.
        const QByteArray package = esfTable({965, 1065, 865, 965}) + pattern(100, 0) +
                                   QByteArray(100, 'c') + QByteArray(100, 'a');
        QString error;
        const auto opened = openEsfPackage(file("p.esf", package), error);
        const QString out = QFileInfo(file("out/x", "")).path();
        const EsfExtraction extraction = extractEsfImages(*opened, out);
        QCOMPARE(extraction.written, QStringList({out + "/0.vxp", out + "/2.vxp"}));
        QCOMPARE(readAll(out + "/0.vxp") + readAll(out + "/2.vxp"),
                 package.right(100) + package.mid(865, 100));
        QCOMPARE(extractEsfImages(*opened, out + "/no/such").failures,
                 QStringList({"0.vxp", "2.vxp"}));
        // A table cut short reads as zeros from where it ends.
        const EsfOffsets cut = esfOffsets(QByteArray("\0\0\5\0\1", 5));
        QVERIFY(cut[0] == 5 && cut[1] == 0x100 && cut[2] == 0 && cut[254] == 0);
        QVERIFY(!openEsfPackage(dir.filePath("missing.esf"), error));
        QCOMPARE(error, QString("Cannot open missing.esf: no such file"));
    }
};

QTEST_GUILESS_MAIN(AssetFilesTest)
#include "tst_assetfiles.moc"

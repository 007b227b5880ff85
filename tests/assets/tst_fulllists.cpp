// Both lists filled to their 255 entries and pushed past them: the fonts
// through their Add button, the images through a package import, which
// counts what the list turned away on its own. (A Config.txt fills the
// lists through the same calls as the Add buttons.) What does not fit is
// turned away and said so; entry 0 and the rest stay as they were, and a
// full pair of lists still makes a whole flash image.
#include "assets/flashlayout.h"
#include "assets/testfiles.h"
#include "assets/windowdriver.h"

#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

class FullListsTest : public QObject
{
    Q_OBJECT

    QTemporaryDir files;
    std::unique_ptr<WindowDriver> bench;

    // Fonts of 40 bytes and up, each different, so misplaced data shows.
    QStringList fontFiles(int count, int first = 0)
    {
        QStringList paths;
        for (int i = first; i < first + count; ++i)
            paths << writeFile(files.path(), QString("f%1.vxf").arg(i, 3, 10, QChar('0')),
                               pattern(40 + i, char(i)));
        return paths;
    }

    // 8 x 2 images with a header the table shows.
    QString imageFile(int i)
    {
        return writeFile(files.path(), QString("i%1.vxp").arg(i, 3, 10, QChar('0')),
                         QByteArray("\x08\x00\x02\x00\x00\x00", 6) + pattern(30 + i, char(i)));
    }

    QStringList addImages(int count)
    {
        QStringList paths;
        for (int i = 0; i < count; ++i) {
            paths << imageFile(i);
            bench->addImage(paths.last());
        }
        return paths;
    }

    // Entry 0 is still the first file added, and the last row is number 254.
    void verifyFirstAndLast(QTableWidget *table, const QString &firstPath)
    {
        QCOMPARE(table->rowCount(), listCapacity);
        QCOMPARE(table->item(0, 1)->text(), firstPath);
        QCOMPARE(table->item(0, 0)->text(), QString("0"));
        QCOMPARE(table->item(254, 0)->text(), QString("254"));
    }

private slots:
    void init() { bench = std::make_unique<WindowDriver>(); }
    void cleanup() { bench.reset(); }

    void fontsAddedPastTheLastEntry()
    {
        const QStringList first = fontFiles(250);
        bench->addFonts(first);
        QCOMPARE(bench->status(), QString("Added 250 fonts"));
        bench->addFonts(fontFiles(50, 250));
        QCOMPARE(bench->status(),
                 QString("Added 5 fonts; 45 fonts not added: the font list holds 255"));
        bench->addFonts(fontFiles(1, 300));
        QCOMPARE(bench->status(),
                 QString("Added 0 fonts; 1 font not added: the font list holds 255"));

        verifyFirstAndLast(bench->fonts(), first.first());
        QCOMPARE(bench->lists().fontCount, quint8(listCapacity));
        QCOMPARE(bench->lists().fontList[0].name, QString("f000.vxf"));
        QCOMPARE(bench->lists().fontList[0].size, 40u);
        QCOMPARE(bench->lists().fontList[254].name, QString("f254.vxf"));

        bench->fonts()->selectAll();
        bench->click("removeFontList"); // emptied, the list takes files again
        bench->addFonts(fontFiles(1, 400));
        QCOMPARE(bench->status(), QString("Added 1 font"));
        QCOMPARE(WindowDriver::column(bench->fonts(), 1), QStringList{files.filePath("f400.vxf")});
    }

    void packageImportedIntoANearlyFullImageList()
    {
        addImages(250);
        QList<quint32> offsets;
        QByteArray images;
        for (int slot = 0; slot < 10; ++slot) {
            offsets << 765 + images.size();
            images += QByteArray("\x04\x00\x01\x00\x00\x00", 6) + pattern(8, char(slot));
        }
        offsets << 765 + images.size(); // closes the last image
        const QString package = writeFile(files.path(), "ten.esf", esfTable(offsets) + images);
        const QString into = files.filePath("unpacked");
        QVERIFY(QDir().mkpath(into));
        chooseFile(package, [into] { chooseFolder(into); });
        bench->click("importESF");

        QCOMPARE(bench->status(), QString("ten.esf: wrote 10 images, skipped 0 slots past the end "
                                          "of the package; 5 images not added: the image list "
                                          "holds 255"));
        verifyFirstAndLast(bench->images(), files.filePath("i000.vxp"));
        QCOMPARE(bench->images()->item(254, 1)->text(), into + "/4.vxp");
        QCOMPARE(bench->lists().imageList[254].number, quint8(254));
        QCOMPARE(bench->lists().imageList[0].name, QString("i000.vxp"));
        QCOMPARE(bench->lists().imageList[0].width, quint16(8));
    }

    void fullListsMakeAWholeFlashImage()
    {
        const QStringList fonts = fontFiles(listCapacity);
        bench->addFonts(fonts);
        QByteArray data;
        for (const QString &file : fonts + addImages(listCapacity))
            data += readAll(file);
        const QString output = files.filePath("full.vxs");
        chooseFile(output);
        bench->click("generateFlashImage");
        const QByteArray image = readAll(output);

        using namespace FlashLayout;
        QCOMPARE(image.size(), dataOffset + data.size());
        QVERIFY(image.mid(dataOffset) == data);
        // The last image's entry, addressed after every file before it: no
        // count wrapped at 255 in either directory.
        const char *last = image.constData() + imageDirectoryOffset + 254 * directoryEntrySize;
        const quint32 lastSize = 6 + 30 + 254;
        QCOMPARE(QByteArray(last), QByteArray("i254.vxp"));
        QCOMPARE(qFromLittleEndian<quint32>(last + Entry::size), lastSize);
        QCOMPARE(qFromLittleEndian<quint32>(last + Entry::address),
                 assetBaseAddress + quint32(data.size()) - lastSize);
    }
};

QTEST_MAIN(FullListsTest)
#include "tst_fulllists.moc"

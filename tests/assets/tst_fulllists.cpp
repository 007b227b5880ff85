// Both lists filled to their 255 entries and pushed past them through every
// way in: the Add buttons, a package import and a Config.txt. What does not
// fit is turned away and said so; entry 0 and the rest stay as they were,
// and a full pair of lists still makes a whole flash image.
#include "assets/flashlayout.h"
#include "assets/testfiles.h"
#include "assets/windowdriver.h"

#include <QTemporaryDir>
#include <QtTest>

#include <numeric>

namespace {

quint32 littleEndian32(const QByteArray &bytes, int at)
{
    quint32 value = 0;
    for (int i = 3; i >= 0; --i)
        value = value << 8 | quint8(bytes.at(at + i));
    return value;
}

// A directory entry's name, up to the zeros that pad it.
QByteArray storedName(const QByteArray &entry)
{
    const QByteArray field = entry.left(FlashLayout::Entry::nameSize);
    return field.left(field.indexOf('\0'));
}

} // namespace

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

    void addImages(int count)
    {
        for (int i = 0; i < count; ++i)
            bench->addImage(imageFile(i));
    }

    // Entry 0 is still the first file added, and the last row is number 254.
    void verifyFirstAndLast(QTableWidget *table, const QString &firstPath)
    {
        QCOMPARE(table->rowCount(), listCapacity);
        QCOMPARE(table->item(0, 1)->text(), firstPath);
        QCOMPARE(table->item(0, 0)->text(), QString("0"));
        QCOMPARE(table->item(254, 0)->text(), QString("254"));
    }

    // A click still does its work once a list has refused files.
    void verifyStillWorking(const QString &firstPath)
    {
        bench->click("GenerateConfig");
        const QString config = bench->configOut();
        QVERIFY(config.contains("000 = "));
        QVERIFY(config.contains(QFileInfo(firstPath).fileName()));
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
        QCOMPARE(fontCount, quint8(listCapacity));
        QCOMPARE(fontList[0].name, QString("f000.vxf"));
        QCOMPARE(fontList[0].size, 40u);
        QCOMPARE(fontList[254].name, QString("f254.vxf"));
        verifyStillWorking(first.first());

        bench->click("removeFontList"); // emptied, the list takes files again
        bench->addFonts(fontFiles(1, 400));
        QCOMPARE(bench->status(), QString("Added 1 font"));
        QCOMPARE(WindowDriver::column(bench->fonts(), 1), QStringList{files.filePath("f400.vxf")});
    }

    void packageImportedIntoANearlyFullImageList()
    {
        addImages(250);
        QByteArray table(765, '\0');
        QByteArray images;
        for (int slot = 0; slot <= 10; ++slot) {
            const int offset = 765 + images.size();
            table[slot * 3] = char(offset >> 16);
            table[slot * 3 + 1] = char(offset >> 8);
            table[slot * 3 + 2] = char(offset);
            if (slot < 10)
                images += QByteArray("\x04\x00\x01\x00\x00\x00", 6) + pattern(8, char(slot));
        }
        const QString package = writeFile(files.path(), "ten.esf", table + images);
        const QString into = files.filePath("unpacked");
        QVERIFY(QDir().mkpath(into));
        chooseFile(package, [into] { chooseFolder(into); });
        bench->click("importESF");

        QCOMPARE(bench->status(), QString("ten.esf: wrote 10 images, skipped 0 slots past the end "
                                          "of the package; 5 images not added: the image list "
                                          "holds 255"));
        verifyFirstAndLast(bench->images(), files.filePath("i000.vxp"));
        QCOMPARE(bench->images()->item(254, 1)->text(), into + "/4.vxp");
        QCOMPARE(imageList[254].number, quint8(254));
        QCOMPARE(imageList[0].name, QString("i000.vxp"));
        QCOMPARE(imageList[0].width, quint16(8));
        verifyStillWorking(files.filePath("i000.vxp"));
    }

    void configListingMoreImagesThanFit()
    {
        QByteArray text = "[Images]\n";
        for (int i = 0; i < 300; ++i)
            text += QByteArray::number(i).rightJustified(3, '0') + " = /IMG/" +
                    QByteArray::number(i) + ".vxp\n";
        const QString card = files.filePath("card");
        writeFile(card, "IMG/0.vxp", QByteArray("\x10\x00\x04\x00\x00\x00", 6));
        chooseFile(writeFile(card, "Config.txt", text));
        bench->click("openConfigFile");

        QVERIFY2(bench->status().contains("45 images not added: the image list holds 255"),
                 qPrintable(bench->status()));
        verifyFirstAndLast(bench->images(), card + "/IMG/0.vxp");
        QCOMPARE(imageList[0].width, quint16(16));
        QCOMPARE(imageList[254].name, card + "/IMG/254.vxp");
        bench->addImage(imageFile(0)); // one more still does not fit
        QCOMPARE(bench->status(), QString("Added 0 images; 1 image not added: the image list "
                                          "holds 255"));
        QCOMPARE(imageList[0].name, card + "/IMG/0.vxp");
    }

    void fullListsMakeAWholeFlashImage()
    {
        const QStringList fonts = fontFiles(listCapacity);
        bench->addFonts(fonts);
        addImages(listCapacity + 1);
        QCOMPARE(bench->status(), QString("Added 0 images; 1 image not added: the image list "
                                          "holds 255"));

        QByteArray data;
        for (const QString &font : fonts)
            data += readAll(font);
        const int fontBytes = data.size();
        for (int i = 0; i < listCapacity; ++i)
            data += readAll(files.filePath(QString("i%1.vxp").arg(i, 3, 10, QChar('0'))));
        const QString output = files.filePath("full.vxs");
        chooseFile(output);
        bench->click("generateFlashImage");
        const QByteArray image = readAll(output);

        using namespace FlashLayout;
        QCOMPARE(image.size(), dataOffset + data.size());
        QVERIFY(image.mid(dataOffset) == data);
        // Entry 0 of each directory, and its last entry right after all
        // the files before it: no count wrapped at 255.
        const auto entry = [&image](int directory, int index) {
            return image.mid(directory + index * directoryEntrySize, directoryEntrySize);
        };
        QCOMPARE(storedName(entry(fontDirectoryOffset, 0)), QByteArray("f000.vxf"));
        QCOMPARE(littleEndian32(entry(fontDirectoryOffset, 0), Entry::address), assetBaseAddress);
        QCOMPARE(storedName(entry(fontDirectoryOffset, 254)), QByteArray("f254.vxf"));
        QCOMPARE(littleEndian32(entry(fontDirectoryOffset, 254), Entry::address),
                 assetBaseAddress + quint32(fontBytes - (40 + 254)));
        QCOMPARE(storedName(entry(imageDirectoryOffset, 0)), QByteArray("i000.vxp"));
        QCOMPARE(littleEndian32(entry(imageDirectoryOffset, 0), Entry::address),
                 assetBaseAddress + quint32(fontBytes));
        const QByteArray lastImage = entry(imageDirectoryOffset, 254);
        QCOMPARE(storedName(lastImage), QByteArray("i254.vxp"));
        QCOMPARE(littleEndian32(lastImage, Entry::size), quint32(6 + 30 + 254));
        QCOMPARE(littleEndian32(lastImage, Entry::address),
                 assetBaseAddress + quint32(data.size() - (6 + 30 + 254)));

        const QString config = bench->configOut();
        QCOMPARE(config.count(QRegularExpression("^254 = ", QRegularExpression::MultilineOption)),
                 2);
        QCOMPARE(config.count(QRegularExpression("^255 = ", QRegularExpression::MultilineOption)),
                 0);
    }
};

QTEST_MAIN(FullListsTest)
#include "tst_fulllists.moc"

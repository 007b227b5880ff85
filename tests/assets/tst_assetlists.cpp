// The lists on their own, as the command-line tool uses them: what moves
// and removals do to the entries, and that the flash image follows.
#include "assets/assetlists.h"
#include "assets/flashlayout.h"
#include "assets/testfiles.h"

#include <QTemporaryDir>
#include <QtTest>

class AssetListsTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

    QStringList names(const AssetLists &lists) const
    {
        QStringList found;
        for (int i = 0; i < lists.imageCount; ++i)
            found << QString("%1:%2").arg(lists.imageList[i].number).arg(lists.imageList[i].name);
        return found;
    }

    AssetLists fourImages()
    {
        AssetLists lists;
        AddReport report;
        for (const char *name : {"a.vxp", "b.vxp", "c.vxp", "d.vxp"})
            lists.addImageFile(writeFile(dir.path(), name, QByteArray("\1\0\1\0\0\0", 6) + name),
                               report);
        return lists;
    }

private slots:
    void movesSwapNeighboursAndRenumber()
    {
        AssetLists lists = fourImages();
        QVERIFY(lists.moveImage(3, -1));
        QCOMPARE(names(lists), QStringList({"0:a.vxp", "1:b.vxp", "2:d.vxp", "3:c.vxp"}));
        QVERIFY(lists.moveImage(2, +1)); // and back
        QCOMPARE(names(lists), QStringList({"0:a.vxp", "1:b.vxp", "2:c.vxp", "3:d.vxp"}));
        QVERIFY(!lists.moveImage(0, -1));
        QVERIFY(!lists.moveImage(3, +1));
        QVERIFY(!lists.moveImage(4, -1)); // past the entries in use
        QVERIFY(!lists.moveImage(1, 2));
        QCOMPARE(names(lists), QStringList({"0:a.vxp", "1:b.vxp", "2:c.vxp", "3:d.vxp"}));
    }

    void removalsCloseUp()
    {
        AssetLists lists = fourImages();
        lists.removeImages({0, 2, 7});
        QCOMPARE(names(lists), QStringList({"0:b.vxp", "1:d.vxp"}));
        QCOMPARE(lists.imagePaths(), QStringList({dir.filePath("b.vxp"), dir.filePath("d.vxp")}));
        lists.removeImages({});
        QCOMPARE(lists.imageCount, quint8(2));
        lists.removeImages({0, 1});
        QCOMPARE(lists.imageCount, quint8(0));
    }

    void flashImageFollowsTheOrder()
    {
        AssetLists lists = fourImages();
        AddReport report;
        lists.addFontFile(writeFile(dir.path(), "f.vxf", pattern(100, 1)), report);
        lists.addFontFile(writeFile(dir.path(), "g.vxf", pattern(50, 2)), report);
        lists.moveFont(1, -1);
        lists.removeImages({1});
        lists.rebuildFlashBlocks(StartupSettings{});
        using namespace FlashLayout;
        const QByteArray &fonts = lists.fontDirectory;
        QCOMPARE(QByteArray(fonts.constData()), QByteArray("g.vxf"));
        QCOMPARE(
            qFromLittleEndian<quint32>(fonts.constData() + directoryEntrySize + Entry::address),
            assetBaseAddress + 50);
        QCOMPARE(QByteArray(lists.imageDirectory.constData() + directoryEntrySize),
                 QByteArray("c.vxp"));
        const QVector<FlashDataFile> files = lists.flashDataFiles();
        QCOMPARE(files.size(), 5);
        QCOMPARE(files.at(0).path, dir.filePath("g.vxf"));
        QCOMPARE(files.at(0).size, 50u);
        QCOMPARE(files.at(3).path, dir.filePath("c.vxp"));
    }

    void aFullListRefusesAndKeepsItsEntries()
    {
        AssetLists lists;
        AddReport report;
        const QString font = writeFile(dir.path(), "x.vxf", "x");
        for (int i = 0; i < listCapacity + 3; ++i)
            lists.addFontFile(font, report);
        QCOMPARE(lists.fontCount, quint8(listCapacity));
        QCOMPARE(report.added, listCapacity);
        QCOMPARE(report.refused, 3);
        QVERIFY(!lists.addFontFile(font, report));
        lists.clearFonts();
        QVERIFY(lists.addFontFile(font, report));
    }
};

QTEST_GUILESS_MAIN(AssetListsTest)
#include "tst_assetlists.moc"

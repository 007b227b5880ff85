#include "sdcard.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

using namespace vxsim;

namespace {

QByteArray contentsOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestSimCard : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> base;
    QString cardPath;

private slots:
    void init()
    {
        // Beside the card: a file and a folder that links inside the card reach.
        base = std::make_unique<QTemporaryDir>();
        QVERIFY(base->isValid());
        cardPath = base->filePath("card");
        QVERIFY(QDir().mkpath(cardPath + "/sub"));
        QVERIFY(QDir().mkpath(base->filePath("elsewhere")));
        QFile outside(base->filePath("outside.txt"));
        QVERIFY(outside.open(QIODevice::WriteOnly) && outside.write("secret") == 6);
        QVERIFY(QFile::link(base->filePath("elsewhere"), cardPath + "/dirlink"));
        QVERIFY(QFile::link(outside.fileName(), cardPath + "/filelink"));
        QVERIFY(QFile::link(base->filePath("not-yet.txt"), cardPath + "/dangling"));
    }

    void hostileNamesAreRefused_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::newRow("absolute") << QByteArray("/etc/passwd");
        QTest::newRow("doubled slashes") << QByteArray("sub//..//../outside.txt");
        QTest::newRow("parent") << QByteArray("../outside.txt");
        QTest::newRow("down and out") << QByteArray("sub/../../outside.txt");
        QTest::newRow("climbing back in") << QByteArray("sub/../../card/x.txt");
        QTest::newRow("backslashes") << QByteArray("sub\\..\\..\\outside.txt");
        QTest::newRow("link to a folder outside") << QByteArray("dirlink/new.txt");
        QTest::newRow("link to a file outside") << QByteArray("filelink");
        QTest::newRow("dangling link out") << QByteArray("dangling");
    }

    void hostileNamesAreRefused()
    {
        QFETCH(QByteArray, name);
        SdCard card(cardPath, true);
        QVERIFY(card.hostPath(name).isEmpty());
        QVERIFY(!card.createFile(1, name));
        QVERIFY(!card.openFile(2, name));
        QVERIFY(!card.size(1) && !card.size(2));
        QVERIFY(!card.makeFolder(name));
        QVERIFY(!card.listing(name));
        QVERIFY(!card.readFile(name));
        QVERIFY(!card.writeFile(name, "overwritten"));
        QVERIFY(!card.remove(name));

        // Nothing outside the card changed or appeared.
        QCOMPARE(contentsOf(base->filePath("outside.txt")), QByteArray("secret"));
        QCOMPARE(QDir(base->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList({"card", "elsewhere", "outside.txt"}));
        QVERIFY(QDir(base->filePath("elsewhere")).isEmpty());
    }

    void linksInsideTheCardAreFollowed()
    {
        QVERIFY(QFile::link(cardPath + "/sub", cardPath + "/inner"));
        SdCard card(cardPath, true);
        QVERIFY(card.writeFile("inner/a.txt", "abc"));
        QCOMPARE(contentsOf(cardPath + "/sub/a.txt"), QByteArray("abc"));
        // The listing leaves out what points away.
        QCOMPARE(*card.listing(""), QByteArray("Directory of /\ninner/\nsub/\n"));
    }

    void foldersListDeleteAndCount()
    {
        SdCard card(cardPath, true);
        QVERIFY(card.makeFolder("LOGS"));
        QVERIFY(!card.makeFolder("LOGS"));
        QVERIFY(card.writeFile("LOGS/B.TXT", "12345"));
        QVERIFY(card.writeFile("LOGS/A.TXT", QByteArray(1000, 'a')));
        QVERIFY(card.makeFolder("LOGS/OLD"));
        QCOMPARE(*card.listing("LOGS"),
                 QByteArray("Directory of /LOGS\nOLD/\nA.TXT 1000\nB.TXT 5\n"));
        QVERIFY(!card.listing("LOGS/A.TXT"));
        // Used space counts files in folders, not what links lead to.
        QCOMPARE(*card.space(quint8(SdCard::Space::Used)), 1005u);
        QCOMPARE(*card.space(quint8(SdCard::Space::Free)), SdCard::Capacity - 1005);
        QVERIFY(!card.space(4));

        QVERIFY(!card.remove("LOGS")); // not empty
        QVERIFY(card.remove("LOGS/A.TXT"));
        QVERIFY(!card.remove("LOGS/A.TXT"));
        QVERIFY(card.remove("LOGS/OLD"));
        QVERIFY(!card.remove(""));
        QVERIFY(!card.remove("."));
        QCOMPARE(*card.listing("LOGS/"), QByteArray("Directory of /LOGS\nB.TXT 5\n"));
    }

    void lockedCardReadsButChangesNothing()
    {
        SdCard card(cardPath, true);
        QVERIFY(card.writeFile("KEEP.TXT", "kept"));
        card.setWriteProtected(true);
        QVERIFY(!card.createFile(1, "NEW.TXT"));
        QVERIFY(!card.createFile(1, "KEEP.TXT")); // would empty it
        QVERIFY(!card.writeFile("KEEP.TXT", "gone"));
        QVERIFY(!card.writeFile("OTHER.TXT", "x"));
        QVERIFY(!card.makeFolder("NEWDIR"));
        QVERIFY(!card.remove("KEEP.TXT"));
        QVERIFY(!card.remove("sub"));

        QVERIFY(card.openFile(2, "KEEP.TXT")); // opens to read
        QCOMPARE(*card.read(2, 100), QByteArray("kept"));
        QVERIFY(!card.write(2, "more"));
        QVERIFY(card.closeFile(2));
        QCOMPARE(*card.readFile("KEEP.TXT"), QByteArray("kept"));
        for (const char *name : {"NEW.TXT", "OTHER.TXT", "NEWDIR"})
            QVERIFY(!QFileInfo::exists(cardPath + '/' + name));
        QVERIFY(QFileInfo(cardPath + "/sub").isDir());

        card.setWriteProtected(false); // the switch back: writes work again
        QVERIFY(card.remove("KEEP.TXT"));
    }
};

QTEST_GUILESS_MAIN(TestSimCard)
#include "tst_simcard.moc"

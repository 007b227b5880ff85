#include "sdcard.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace vxsim;

namespace {

QByteArray contentsOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeHostFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray pattern(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = char(i * 7 + i / 251);
    return bytes;
}

} // namespace

class TestSimCard : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void hostileNamesAreRefused_data();
    void hostileNamesAreRefused();
    void linksInsideTheCardAreFollowed();
    void writeReadRoundTrip();
    void handlesAreOneAndTwo();
    void foldersListAndDelete();
    void spaceAddsUp();

private:
    std::unique_ptr<QTemporaryDir> base;
    QString cardPath;
    QString outsideFile;
};

void TestSimCard::init()
{
    base = std::make_unique<QTemporaryDir>();
    QVERIFY(base->isValid());
    cardPath = base->filePath("card");
    QVERIFY(QDir().mkpath(cardPath + "/sub"));
    outsideFile = base->filePath("outside.txt");
    writeHostFile(outsideFile, "secret");
    QVERIFY(QDir().mkpath(base->filePath("elsewhere")));
    QVERIFY(QFile::link(base->filePath("elsewhere"), cardPath + "/dirlink"));
    QVERIFY(QFile::link(outsideFile, cardPath + "/filelink"));
    QVERIFY(QFile::link(base->filePath("not-yet.txt"), cardPath + "/dangling"));
}

void TestSimCard::hostileNamesAreRefused_data()
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

void TestSimCard::hostileNamesAreRefused()
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
    QCOMPARE(contentsOf(outsideFile), QByteArray("secret"));
    QCOMPARE(QDir(base->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList({"card", "elsewhere", "outside.txt"}));
    QVERIFY(QDir(base->filePath("elsewhere")).isEmpty());
}

void TestSimCard::linksInsideTheCardAreFollowed()
{
    QVERIFY(QFile::link(cardPath + "/sub", cardPath + "/inner"));
    SdCard card(cardPath, true);
    QVERIFY(card.writeFile("inner/a.txt", "abc"));
    QCOMPARE(contentsOf(cardPath + "/sub/a.txt"), QByteArray("abc"));
    // The listing leaves out what points away.
    const QByteArray listing = *card.listing("");
    QVERIFY(listing.contains("inner/\n"));
    QVERIFY(!listing.contains("filelink"));
    QVERIFY(!listing.contains("dirlink"));
}

void TestSimCard::writeReadRoundTrip()
{
    SdCard card(cardPath, true);
    const QByteArray bytes = pattern(70000);
    QVERIFY(card.createFile(1, "LOG.TXT"));
    QVERIFY(card.write(1, bytes.left(30000)));
    QVERIFY(card.write(1, bytes.mid(30000)));
    QCOMPARE(*card.size(1), 70000u);
    QCOMPARE(*card.position(1), 70000u);
    QVERIFY(card.closeFile(1));
    QCOMPARE(contentsOf(cardPath + "/LOG.TXT"), bytes);

    QVERIFY(card.openFile(2, "LOG.TXT"));
    QCOMPARE(*card.read(2, 10), bytes.left(10));
    QCOMPARE(*card.position(2), 10u);
    QCOMPARE(*card.read(2, 1000000), bytes.mid(10)); // stops at the end
    QCOMPARE(*card.read(2, 5), QByteArray());

    // Create empties an existing file; open never creates one.
    QVERIFY(card.createFile(2, "LOG.TXT"));
    QCOMPARE(*card.size(2), 0u);
    QVERIFY(!card.openFile(1, "MISSING.TXT"));
    QVERIFY(!QFile::exists(cardPath + "/MISSING.TXT"));
}

void TestSimCard::handlesAreOneAndTwo()
{
    SdCard card(cardPath, true);
    QVERIFY(!card.createFile(0, "A.TXT"));
    QVERIFY(!card.createFile(3, "A.TXT"));
    QVERIFY(!card.write(1, "x")); // not open
    QVERIFY(card.createFile(1, "A.TXT"));
    QVERIFY(card.write(1, "first"));
    // Reusing an open handle closes the earlier file.
    QVERIFY(card.createFile(1, "B.TXT"));
    QVERIFY(card.write(1, "second"));
    QVERIFY(card.closeFile(1));
    QVERIFY(!card.closeFile(1));
    QCOMPARE(contentsOf(cardPath + "/A.TXT"), QByteArray("first"));
    QCOMPARE(contentsOf(cardPath + "/B.TXT"), QByteArray("second"));
}

void TestSimCard::foldersListAndDelete()
{
    SdCard card(cardPath, true);
    QVERIFY(card.makeFolder("LOGS"));
    QVERIFY(!card.makeFolder("LOGS"));
    QVERIFY(card.writeFile("LOGS/B.TXT", "12345"));
    QVERIFY(card.writeFile("LOGS/A.TXT", "123"));
    QVERIFY(card.makeFolder("LOGS/OLD"));
    QCOMPARE(*card.listing("LOGS"), QByteArray("Directory of /LOGS\nOLD/\nA.TXT 3\nB.TXT 5\n"));
    QVERIFY(!card.listing("LOGS/A.TXT"));
    QVERIFY(!card.listing("NOWHERE"));

    QVERIFY(!card.remove("LOGS")); // not empty
    QVERIFY(card.remove("LOGS/A.TXT"));
    QVERIFY(!card.remove("LOGS/A.TXT"));
    QVERIFY(card.remove("LOGS/OLD"));
    QVERIFY(!card.remove(""));
    QVERIFY(!card.remove("."));
    QCOMPARE(*card.listing("LOGS/"), QByteArray("Directory of /LOGS\nB.TXT 5\n"));
}

void TestSimCard::spaceAddsUp()
{
    SdCard card(cardPath, true);
    QVERIFY(card.writeFile("A.BIN", pattern(1000)));
    QVERIFY(card.writeFile("sub/B.BIN", pattern(234)));
    QCOMPARE(*card.space(quint8(SdCard::Space::Used)), 1234u);
    QCOMPARE(*card.space(quint8(SdCard::Space::Free)), SdCard::Capacity - 1234);
    QCOMPARE(*card.space(quint8(SdCard::Space::Bad)), 0u);
    QCOMPARE(*card.space(quint8(SdCard::Space::Total)), SdCard::Capacity);
    QVERIFY(!card.space(4));
}

QTEST_GUILESS_MAIN(TestSimCard)
#include "tst_simcard.moc"

#include "sdcard/cardwriter.h"

#include "assets/testfiles.h"
#include "config/configreader.h"
#include "config/configtext.h"

#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// Every entry under `root`, hidden ones too, with the bytes of its files:
// two equal snapshots mean the card was not touched.
QMap<QString, QByteArray> snapshot(const QString &root)
{
    QMap<QString, QByteArray> entries;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        entries.insert(QDir(root).relativeFilePath(path),
                       it.fileInfo().isFile() ? readAll(path) : QByteArray("<not a file>"));
    }
    return entries;
}

ino_t inode(const QString &path)
{
    struct stat info = {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}

QString textFor(const CardPlan &plan)
{
    return configText(StartupSettings{}, plan.fontCardPaths(), plan.imageCardPaths());
}

CardWrite generate(const QStringList &fonts, const QStringList &images, const QString &root)
{
    const CardPlan plan = planCard(fonts, images, root);
    return writeCard(plan, textFor(plan));
}

qint64 blocks(qint64 size, qint64 block)
{
    return (size + block - 1) / block * block;
}

// A tmpfs of its own, for what only a real filesystem shows: its free space,
// a full disk, a read-only mount. Mounting needs root and a sandbox that
// allows it; where it cannot, the tests using it are skipped and the room
// check is still covered with given numbers.
class SmallCard
{
public:
    explicit SmallCard(const QString &options)
    {
        if (::geteuid() != 0) {
            why = QStringLiteral("not running as root");
            return;
        }
        QProcess mount;
        mount.start(QStringLiteral("mount"),
                    {"-t", "tmpfs", "-o", options, "tmpfs", folder.path()});
        mounted = mount.waitForFinished() && mount.exitCode() == 0;
        why = QString::fromLocal8Bit(mount.readAllStandardError()).trimmed();
    }
    ~SmallCard()
    {
        if (mounted)
            QProcess::execute(QStringLiteral("umount"), {folder.path()});
    }
    bool remountReadOnly()
    {
        return QProcess::execute(QStringLiteral("mount"), {"-o", "remount,ro", folder.path()}) == 0;
    }
    QString path() const { return folder.path(); }

    QTemporaryDir folder; // first, so it is removed after the unmount
    bool mounted = false;
    QString why;
};

#define MOUNT_OR_SKIP(card)                                                                        \
    do {                                                                                           \
        if (!(card).mounted)                                                                       \
            QSKIP(qPrintable(QStringLiteral("cannot mount a tmpfs here: ") + (card).why));         \
    } while (false)

} // namespace

class SdCardTest : public QObject
{
    Q_OBJECT

    QTemporaryDir host;
    // Several copy chunks for the second, so a cancel can land inside it.
    static constexpr qint64 firstSize = 2 * 1024 * 1024;
    static constexpr qint64 secondSize = 12 * 1024 * 1024 + 3;
    QString source(const QString &name, const QByteArray &bytes)
    {
        return writeFile(host.path(), name, bytes);
    }

private slots:
    void copiesAndConfigAgree()
    {
        QTemporaryDir card;
        const QString own = writeFile(card.path(), "MY/own.vxf", pattern(300, 9));
        const QStringList fonts{source("a.vxf", pattern(1000, 1)), own};
        const QStringList images{source("pics/logo.vxp", pattern(9 * 1024 * 1024, 2)),
                                 source("empty.bmp", {})};
        // Relative, with a trailing slash, as typed.
        const QString typedRoot = QDir::current().relativeFilePath(card.path()) + "/";
        const CardPlan plan = planCard(fonts, images, typedRoot);
        QVERIFY2(plan.ok(), qPrintable(plan.error));
        QCOMPARE(plan.root, QFileInfo(card.path()).canonicalFilePath());
        QCOMPARE(plan.fontCardPaths(), QStringList({"/FONTS/a.vxf", "/MY/own.vxf"}));

        qint64 lastDone = -1;
        QSet<QString> reported;
        const CardWrite result =
            writeCard(plan, textFor(plan), [&](qint64 done, qint64 total, const QString &file) {
                QVERIFY(done >= lastDone && done <= total);
                QCOMPARE(total, plan.bytesToCopy());
                lastDone = done;
                reported.insert(file);
            });
        QVERIFY2(result.complete(), qPrintable(result.error));
        QCOMPARE(lastDone, plan.bytesToCopy());
        QCOMPARE(reported, QSet<QString>({"a.vxf", "logo.vxp", "empty.bmp", "Config.txt"}));
        QCOMPARE(result.unchanged, QStringList{"/MY/own.vxf"});
        QVERIFY(!QFile::exists(card.path() + "/FONTS/own.vxf"));

        const ConfigReading read = readConfigFile(card.path() + "/Config.txt");
        QVERIFY2(read.file, qPrintable(read.error));
        QCOMPARE(read.file->text, textFor(plan));
        const QStringList named = read.file->fontPaths + read.file->imagePaths;
        const QStringList sources = fonts + images;
        QCOMPARE(named.size(), sources.size());
        for (int i = 0; i < named.size(); ++i)
            QVERIFY2(readAll(named[i]) == readAll(sources[i]), qPrintable(named[i]));
        QCOMPARE(snapshot(card.path()).keys(),
                 QStringList({"Config.txt", "FONTS", "FONTS/a.vxf", "IMAGES", "IMAGES/empty.bmp",
                              "IMAGES/logo.vxp", "MY", "MY/own.vxf"}));
    }

    void secondRunWritesOnlyWhatChanged()
    {
        QTemporaryDir card;
        const QStringList fonts{source("keep.vxf", pattern(5000, 3)),
                                source("edit.vxf", pattern(5000, 4))};
        QVERIFY(generate(fonts, {}, card.path()).complete());
        const ino_t keptInode = inode(card.path() + "/FONTS/keep.vxf");

        const CardWrite again = generate(fonts, {}, card.path());
        QVERIFY(again.written.isEmpty() && again.configUnchanged && !again.configWritten);
        QCOMPARE(again.unchanged.size(), 2);
        QVERIFY(cardSummary(again).contains("nothing to write"));

        // Same size, one byte different: only the contents tell.
        QByteArray edited = pattern(5000, 4);
        edited[4321] = char(edited[4321] + 1);
        writeFile(host.path(), "edit.vxf", edited);
        const CardWrite third = generate(fonts, {}, card.path());
        QCOMPARE(third.written, QStringList{"/FONTS/edit.vxf"});
        QCOMPARE(third.unchanged, QStringList{"/FONTS/keep.vxf"});
        QVERIFY(third.configUnchanged);
        QCOMPARE(readAll(card.path() + "/FONTS/edit.vxf"), edited);
        QCOMPARE(inode(card.path() + "/FONTS/keep.vxf"), keptInode);
    }

    void clashingCardNamesWriteNothing_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<QString>("cardName");
        // "card:" files lie on the card already, the others are copied from the host.
        QTest::newRow("two folders") << "one/a.vxf"
                                     << "two/a.vxf"
                                     << "/FONTS/a.vxf";
        QTest::newRow("case only") << "a.vxf"
                                   << "A.VXF"
                                   << "/FONTS/a.vxf";
        QTest::newRow("copy onto a listed card file") << "card:FONTS/a.vxf"
                                                      << "a.vxf"
                                                      << "/FONTS/a.vxf";
        QTest::newRow("card files by case") << "card:MY/b.vxf"
                                            << "card:my/B.vxf"
                                            << "/MY/b.vxf";
    }

    void clashingCardNamesWriteNothing()
    {
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(QString, cardName);
        QTemporaryDir card;
        writeFile(card.path(), "Config.txt", "old\n");
        const auto place = [&](const QString &spec, char seed) {
            return spec.startsWith("card:")
                       ? writeFile(card.path(), spec.mid(5), pattern(64, seed))
                       : writeFile(host.path(), QTest::currentDataTag() + ("/" + spec),
                                   pattern(64, seed));
        };
        const QString a = place(first, 1);
        const QString b = place(second, 2);
        const auto before = snapshot(card.path());

        const CardPlan plan = planCard({a, b}, {}, card.path());
        for (const QString &named :
             {QFileInfo(a).canonicalFilePath(), QFileInfo(b).canonicalFilePath(), cardName})
            QVERIFY2(plan.error.contains(named), qPrintable(plan.error));
        QVERIFY(!writeCard(plan, textFor(plan)).error.isEmpty());
        QCOMPARE(snapshot(card.path()), before);
    }

    void sameFileOrSameBytesIsNoClash()
    {
        QTemporaryDir card;
        const QString a = source("same/a.vxf", pattern(777, 5));
        const QString twin = source("same/sub/A.VXF", pattern(777, 5));
        const QString viaDots = host.path() + "/same/sub/../a.vxf";
        const CardPlan plan = planCard({a, twin, viaDots}, {a}, card.path());
        QVERIFY2(plan.ok(), qPrintable(plan.error));
        // One copy, named alike each time so a case-sensitive stand-in finds it.
        QCOMPARE(plan.fontCardPaths(),
                 QStringList({"/FONTS/a.vxf", "/FONTS/a.vxf", "/FONTS/a.vxf"}));
        const CardWrite result = writeCard(plan, textFor(plan));
        QCOMPARE(result.written, QStringList({"/FONTS/a.vxf", "/IMAGES/a.vxf"}));
        QCOMPARE(snapshot(card.path() + "/FONTS").keys(), QStringList{"a.vxf"});
    }

    void badInputIsRefusedBeforeWriting()
    {
        const QString font = source("ok.vxf", pattern(100, 6));
        const QString fifo = host.path() + "/pipe.vxf";
        ::mkfifo(QFile::encodeName(fifo).constData(), 0600);
        QDir(host.path()).mkpath("folder.vxf");
        const QString notAFolder = source("plain", "x");
        const struct
        {
            const char *what;
            QStringList fonts;
            QString onCard; // made on the card first; a trailing "/" makes a folder
            bool listed;    // and listed as a font
            QString root;   // the card unless given
            QString expected;
        } cases[] = {
            {"missing font", {font, host.path() + "/gone.vxf"}, {}, false, {}, "gone.vxf: no such"},
            {"folder listed", {host.path() + "/folder.vxf"}, {}, false, {}, "not a plain file"},
            {"pipe listed", {fifo}, {}, false, {}, "not a plain file"},
            {"target is a folder",
             {font},
             "FONTS/ok.vxf/",
             false,
             {},
             "ok.vxf on the card is a folder"},
            {"FONTS is a file", {font}, "FONTS", false, {}, "folder FONTS"},
            {"Config.txt is a folder", {font}, "Config.txt/", false, {}, "Config.txt"},
            {"Config.txt listed", {font}, "Config.txt", true, {}, "Config.txt is written over it"},
            {"no card", {font}, {}, false, host.path() + "/nowhere", "does not exist"},
            {"card is a file", {font}, {}, false, notAFolder, "is not a folder"},
        };
        for (const auto &test : cases) {
            QTemporaryDir card;
            QStringList fonts = test.fonts;
            if (test.onCard.endsWith('/'))
                QDir(card.path()).mkpath(test.onCard);
            else if (!test.onCard.isEmpty())
                writeFile(card.path(), test.onCard, "x");
            if (test.listed)
                fonts.append(card.path() + "/" + test.onCard);
            const auto before = snapshot(card.path());
            const CardPlan plan =
                planCard(fonts, {}, test.root.isEmpty() ? card.path() : test.root);
            QVERIFY2(plan.error.contains(test.expected) && !plan.error.contains('\n'),
                     qPrintable(QStringLiteral("%1: %2").arg(test.what, plan.error)));
            const CardWrite result = writeCard(plan, textFor(plan));
            QVERIFY(cardSummary(result).endsWith("nothing written"));
            QCOMPARE(snapshot(card.path()), before);
        }
    }

    void roomFromGivenNumbers()
    {
        QTemporaryDir card;
        const QStringList fonts{source("one.vxf", "1")};
        const QStringList images{source("five.bmp", pattern(5000, 7))};
        const CardPlan plan = planCard(fonts, images, card.path());
        const QString text = textFor(plan);
        const qint64 block = 4096;
        // Every file in whole blocks, a block for each new folder, and Config.txt.
        const qint64 needed = blocks(1, block) + blocks(5000, block) + 2 * block +
                              blocks(text.toUtf8().size(), block);
        QCOMPARE(checkRoom(plan, text, CardSpace{needed, block}), QString());
        const QString refused = checkRoom(plan, text, CardSpace{needed - 1, block});
        // Both round to the same kB, so only the exact counts tell them apart.
        QVERIFY2(refused.contains(QString::number(needed)) &&
                     refused.contains(QString::number(needed - 1)),
                 qPrintable(refused));
        QVERIFY(!checkRoom(plan, text, CardSpace{needed / 3, block}).isEmpty());

        // Nothing to write takes no room, even on a full card.
        QVERIFY(writeCard(plan, text).complete());
        const CardPlan again = planCard(fonts, images, card.path());
        QCOMPARE(checkRoom(again, textFor(again), CardSpace{0, block}), QString());
    }

    void roomOnSmallFilesystem()
    {
        SmallCard card(QStringLiteral("size=256k"));
        MOUNT_OR_SKIP(card);
        const QString big = source("big.vxp", pattern(300 * 1000, 8));
        const CardPlan tooBig = planCard({}, {big}, card.path());
        const QString refused = checkRoom(tooBig, textFor(tooBig), cardSpace(card.path()));
        QVERIFY2(refused.startsWith("Not enough room on the card"), qPrintable(refused));

        const QString fits = source("fits.vxp", pattern(2 * 1000 * 100, 9));
        const CardPlan plan = planCard({}, {fits}, card.path());
        QCOMPARE(checkRoom(plan, textFor(plan), cardSpace(card.path())), QString());
        QVERIFY(writeCard(plan, textFor(plan)).complete());
        QCOMPARE(readAll(card.path() + "/IMAGES/fits.vxp"), readAll(fits));
    }

    void fullCardStopsMidway()
    {
        SmallCard card(QStringLiteral("size=256k"));
        MOUNT_OR_SKIP(card);
        const QString first = source("first.vxf", pattern(50 * 1000, 1));
        const QString big = source("big.vxp", pattern(3 * 1000 * 1000, 2));
        const CardPlan plan = planCard({first}, {big}, card.path()); // room left unchecked
        const CardWrite result = writeCard(plan, textFor(plan));
        QVERIFY2(result.error.contains("big.vxp") && !result.error.contains('\n'),
                 qPrintable(result.error));
        QCOMPARE(result.written, QStringList{"/FONTS/first.vxf"});
        QCOMPARE(snapshot(card.path()).keys(), QStringList({"FONTS", "FONTS/first.vxf", "IMAGES"}));
        QVERIFY(cardSummary(result).contains("wrote 1 of 2 files"));
    }

    void copiesAcrossFilesystems()
    {
        // The kernel cannot copy between these, so the buffer carries it all.
        SmallCard card(QStringLiteral("size=16m"));
        MOUNT_OR_SKIP(card);
        const QString image = source("across.vxp", pattern(5 * 1024 * 1024 + 17, 3));
        QVERIFY(generate({}, {image}, card.path()).complete());
        QCOMPARE(readAll(card.path() + "/IMAGES/across.vxp"), readAll(image));
    }

    void readOnlyCardIsRefused()
    {
        SmallCard card(QStringLiteral("size=64k"));
        MOUNT_OR_SKIP(card);
        writeFile(card.path(), "Config.txt", "old\n");
        QVERIFY(card.remountReadOnly());
        const CardPlan plan = planCard({source("ro.vxf", "x")}, {}, card.path());
        QVERIFY2(plan.error.startsWith("Cannot write to the card"), qPrintable(plan.error));
        QVERIFY(!writeCard(plan, textFor(plan)).complete());
        QCOMPARE(readAll(card.path() + "/Config.txt"), QByteArray("old\n"));
    }

    void cancelLeavesOnlyWholeFiles_data()
    {
        // The callback cancels once the bytes done reach `from`, and not after `to`.
        QTest::addColumn<qint64>("from");
        QTest::addColumn<qint64>("to");
        QTest::addColumn<int>("whole");
        QTest::newRow("after the first file") << firstSize << firstSize << 1;
        QTest::newRow("inside the second file") << firstSize + 1 << firstSize + secondSize - 1 << 1;
        QTest::newRow("after the last file")
            << firstSize + secondSize << firstSize + secondSize << 2;
    }

    void cancelLeavesOnlyWholeFiles()
    {
        QFETCH(qint64, from);
        QFETCH(qint64, to);
        QFETCH(int, whole);
        QTemporaryDir card;
        writeFile(card.path(), "Config.txt", "old\n");
        const QString first = source("first.vxf", pattern(firstSize, 4));
        const QString second = source("second.vxp", pattern(secondSize, 5));
        const CardPlan plan = planCard({first}, {second}, card.path());
        std::atomic<bool> cancel{false};
        const CardWrite result = writeCard(
            plan, textFor(plan),
            [&](qint64 done, qint64, const QString &) {
                if (done >= from && done <= to)
                    cancel = true;
            },
            &cancel);
        QVERIFY(result.cancelled && result.error.isEmpty());
        QCOMPARE(result.written.size(), whole);
        QCOMPARE(readAll(card.path() + "/FONTS/first.vxf"), readAll(first));
        QCOMPARE(readAll(card.path() + "/Config.txt"), QByteArray("old\n"));
        // Nothing but whole files, not even a temporary one.
        const QStringList images =
            QDir(card.path() + "/IMAGES")
                .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        QCOMPARE(images, whole == 2 ? QStringList{"second.vxp"} : QStringList());
        QVERIFY(cardSummary(result).startsWith(
            QStringLiteral("Cancelled: wrote %1 of 2 files").arg(whole)));
    }

    void failureMidwayKeepsOldConfig()
    {
        const struct
        {
            const char *what;
            std::function<void(const QString &card, const QString &image)> spoil;
            QString expected;
        } cases[] = {
            {"IMAGES became a file",
             [](const QString &card, const QString &) { writeFile(card, "IMAGES", "x"); },
             "IMAGES"},
            {"image became a pipe",
             [](const QString &, const QString &image) {
                 QFile::remove(image);
                 ::mkfifo(QFile::encodeName(image).constData(), 0600);
             },
             "not a plain file"},
            {"image deleted", [](const QString &, const QString &image) { QFile::remove(image); },
             "no such file"},
        };
        for (const auto &test : cases) {
            QTemporaryDir card;
            writeFile(card.path(), "Config.txt", "old\n");
            const QString image = source(QStringLiteral("spoilt/%1.vxp").arg(test.what), "img");
            const CardPlan plan = planCard({source("fine.vxf", "font")}, {image}, card.path());
            QVERIFY(plan.ok());
            test.spoil(card.path(), image);
            const CardWrite result = writeCard(plan, textFor(plan));
            QVERIFY2(result.error.contains(test.expected),
                     qPrintable(QStringLiteral("%1: %2").arg(test.what, result.error)));
            QCOMPARE(result.written, QStringList{"/FONTS/fine.vxf"});
            QCOMPARE(readAll(card.path() + "/Config.txt"), QByteArray("old\n"));
            QVERIFY(!QFile::exists(card.path() + "/IMAGES/" + QFileInfo(image).fileName()));
        }
    }
};

QTEST_GUILESS_MAIN(SdCardTest)
#include "tst_sdcard.moc"

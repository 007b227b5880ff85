#include "sdcard/cardwriter.h"

#include "assets/testfiles.h"
#include "config/configreader.h"
#include "config/configtext.h"

#include <QDirIterator>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

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
        return QFileInfo(writeFile(host.path(), name, bytes)).canonicalFilePath();
    }

private slots:
    // A file listed again, or its twin by bytes under a name differing in
    // case, is no clash: one copy, named as first written so that a
    // case-sensitive stand-in for the card finds it too. Run again, only
    // what changed is written.
    void writesThenRewritesOnlyWhatChanged()
    {
        QTemporaryDir card;
        const QString own = writeFile(card.path(), "MY/own.vxf", pattern(300, 9));
        const QString a = source("a.vxf", pattern(1000, 1));
        const QStringList fonts{a, own, source("sub/A.VXF", pattern(1000, 1)),
                                host.path() + "/sub/../a.vxf"};
        const QStringList images{source("pics/logo.vxp", pattern(9 * 1024 * 1024, 2)),
                                 source("empty.bmp", {}), a};
        // Relative, with a trailing slash, as typed.
        const QString typedRoot = QDir::current().relativeFilePath(card.path()) + "/";
        const CardPlan plan = planCard(fonts, images, typedRoot);
        QVERIFY2(plan.ok(), qPrintable(plan.error));
        QCOMPARE(plan.root, QFileInfo(card.path()).canonicalFilePath());
        QCOMPARE(plan.fontCardPaths(),
                 QStringList({"/FONTS/a.vxf", "/MY/own.vxf", "/FONTS/a.vxf", "/FONTS/a.vxf"}));

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
        QCOMPARE(result.written, QStringList({"/FONTS/a.vxf", "/IMAGES/logo.vxp",
                                              "/IMAGES/empty.bmp", "/IMAGES/a.vxf"}));
        QCOMPARE(result.unchanged, QStringList{"/MY/own.vxf"});

        const ConfigReading read = readConfigFile(card.path() + "/Config.txt");
        QVERIFY2(read.file, qPrintable(read.error));
        QCOMPARE(read.file->text, textFor(plan));
        const QStringList named = read.file->fontPaths + read.file->imagePaths;
        const QStringList sources = fonts + images;
        QCOMPARE(named.size(), sources.size());
        for (int i = 0; i < named.size(); ++i)
            QVERIFY2(readAll(named[i]) == readAll(sources[i]), qPrintable(named[i]));
        // Nothing else: no copy of the card's own file, no temporary file left.
        QCOMPARE(snapshot(card.path()).keys(),
                 QStringList({"Config.txt", "FONTS", "FONTS/a.vxf", "IMAGES", "IMAGES/a.vxf",
                              "IMAGES/empty.bmp", "IMAGES/logo.vxp", "MY", "MY/own.vxf"}));

        const ino_t keptInode = inode(card.path() + "/FONTS/a.vxf");
        const CardWrite again = generate(fonts, images, typedRoot);
        QVERIFY(again.written.isEmpty() && again.configUnchanged && !again.configWritten);
        QCOMPARE(again.unchanged.size(), 5); // repeats are not counted again
        // Same size, one byte different past the first compared chunk.
        QByteArray edited = pattern(9 * 1024 * 1024, 2);
        edited[edited.size() - 2] = char(edited[edited.size() - 2] + 1);
        source("pics/logo.vxp", edited);
        const CardWrite third = generate(fonts, images, typedRoot);
        QCOMPARE(third.written, QStringList{"/IMAGES/logo.vxp"});
        QVERIFY(third.configUnchanged);
        QCOMPARE(readAll(card.path() + "/IMAGES/logo.vxp"), edited);
        QCOMPARE(inode(card.path() + "/FONTS/a.vxf"), keptInode);
    }

    // `onCard` is made on the card first, each file holding its own name, a
    // folder where the name ends in "/"; "card:" stands for the card's folder
    // in `fonts` and `expected`; `root` is the card unless given.
    void refusedPlansWriteNothing_data()
    {
        QTest::addColumn<QStringList>("fonts");
        QTest::addColumn<QStringList>("onCard");
        QTest::addColumn<QString>("root");
        QTest::addColumn<QStringList>("expected");
        const auto row = [](const char *name, const QStringList &fonts, const QStringList &onCard,
                            const QString &root, const QStringList &expected) {
            QTest::newRow(name) << fonts << onCard << root << expected;
        };
        const QString font = source("ok.vxf", pattern(100, 6));
        const QString fifo = host.path() + "/pipe.vxf";
        if (!QFileInfo::exists(fifo))
            QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        row("missing font", {font, host.path() + "/gone.vxf"}, {}, {}, {"gone.vxf: no such"});
        row("pipe listed", {fifo}, {}, {}, {"not a plain file"});
        row("target is a folder", {font}, {"FONTS/ok.vxf/"}, {},
            {"ok.vxf on the card is a folder"});
        row("FONTS is a file", {font}, {"FONTS"}, {}, {"folder FONTS"});
        row("Config.txt is a folder", {font}, {"Config.txt/"}, {}, {"Config.txt"});
        row("Config.txt listed", {font, "card:Config.txt"}, {"Config.txt"}, {},
            {"Config.txt is written over it"});
        row("no card", {font}, {}, host.path() + "/nowhere", {"does not exist"});
        row("card is a file", {font}, {}, source("plain", "x"), {"is not a folder"});
        // The card is FAT: names that differ in case only are one file there.
        const QString a = source("case/a.vxf", "1");
        const QString upper = source("case/A.VXF", "2");
        row("clash by case", {a, upper}, {}, {}, {a, upper, "both be /FONTS/a.vxf"});
        row("clash with a listed card file", {"card:FONTS/a.vxf", a}, {"FONTS/a.vxf"}, {},
            {"card:FONTS/a.vxf", a, "both be /FONTS/a.vxf"});
        row("card files clash by case", {"card:MY/b.vxf", "card:my/B.vxf"},
            {"MY/b.vxf", "my/B.vxf"}, {}, {"card:MY/b.vxf", "card:my/B.vxf", "both be /MY/b.vxf"});
    }

    void refusedPlansWriteNothing()
    {
        QFETCH(QStringList, fonts);
        QFETCH(QStringList, onCard);
        QFETCH(QString, root);
        QFETCH(QStringList, expected);
        QTemporaryDir card;
        for (const QString &name : onCard) {
            if (name.endsWith('/'))
                QDir(card.path()).mkpath(name);
            else
                writeFile(card.path(), name, name.toUtf8());
        }
        const QString inside = QFileInfo(card.path()).canonicalFilePath() + "/";
        fonts.replaceInStrings("card:", inside);
        expected.replaceInStrings("card:", inside);
        const auto before = snapshot(card.path());
        const CardPlan plan = planCard(fonts, {}, root.isEmpty() ? card.path() : root);
        for (const QString &fragment : expected)
            QVERIFY2(plan.error.contains(fragment) && !plan.error.contains('\n'),
                     qPrintable(plan.error));
        QVERIFY(cardSummary(writeCard(plan, textFor(plan))).endsWith("nothing written"));
        QCOMPARE(snapshot(card.path()), before);
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
        const qint64 needed = block + 2 * block + 2 * block + block;
        QCOMPARE(checkRoom(plan, text, CardSpace{needed, block}), QString());
        const QString refused = checkRoom(plan, text, CardSpace{needed - 1, block});
        // Both round to the same kB, so only the exact counts tell them apart.
        QVERIFY2(refused.contains(QString::number(needed)) &&
                     refused.contains(QString::number(needed - 1)),
                 qPrintable(refused));

        // Nothing to write takes no room, even on a full card.
        QVERIFY(writeCard(plan, text).complete());
        const CardPlan again = planCard(fonts, images, card.path());
        QCOMPARE(checkRoom(again, textFor(again), CardSpace{0, block}), QString());
    }

    // A tmpfs of its own, for what only a real filesystem shows: its free
    // space, a full disk, a copy the kernel cannot make between filesystems,
    // a read-only mount. Mounting needs root and a sandbox that allows it.
    void realSmallCard()
    {
        QTemporaryDir folder; // first, so it is removed after the unmount
        const QString card = folder.path();
        if (::geteuid() != 0 ||
            QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=8m", "tmpfs", card}) != 0)
            QSKIP("cannot mount a tmpfs here");
        const auto unmount = qScopeGuard([&] { QProcess::execute("umount", {card}); });

        const QString first = source("first.vxf", pattern(50 * 1000, 1));
        const QString big = source("big.vxp", pattern(9 * 1024 * 1024, 2));
        const CardPlan tooBig = planCard({first}, {big}, card);
        const QString refused = checkRoom(tooBig, textFor(tooBig), cardSpace(card));
        QVERIFY2(refused.startsWith("Not enough room on the card"), qPrintable(refused));
        // Written all the same, the card fills up in the middle of big.vxp.
        const CardWrite full = writeCard(tooBig, textFor(tooBig));
        QVERIFY2(full.error.contains("big.vxp") && !full.error.contains('\n'),
                 qPrintable(full.error));
        QCOMPARE(full.written, QStringList{"/FONTS/first.vxf"});
        QCOMPARE(snapshot(card).keys(), QStringList({"FONTS", "FONTS/first.vxf", "IMAGES"}));

        // Several buffer chunks and an odd tail, copied without the kernel's help.
        const QString across = source("across.vxp", pattern(5 * 1024 * 1024 + 17, 3));
        const CardPlan fits = planCard({}, {across}, card);
        QCOMPARE(checkRoom(fits, textFor(fits), cardSpace(card)), QString());
        QVERIFY(writeCard(fits, textFor(fits)).complete());
        QCOMPARE(readAll(card + "/IMAGES/across.vxp"), readAll(across));

        const QByteArray config = readAll(card + "/Config.txt");
        QCOMPARE(QProcess::execute("mount", {"-o", "remount,ro", card}), 0);
        const CardPlan readOnly = planCard({source("ro.vxf", "x")}, {}, card);
        QVERIFY2(readOnly.error.startsWith("Cannot write to the card"), qPrintable(readOnly.error));
        QVERIFY(!writeCard(readOnly, textFor(readOnly)).complete());
        QCOMPARE(readAll(card + "/Config.txt"), config);
    }

    // A cancel (once the bytes done reach `from`, and not after `to`) or a
    // failure (the plan spoilt before the image is copied) stops the write.
    void stoppedMidwayKeepsOldConfig_data()
    {
        QTest::addColumn<qint64>("from");
        QTest::addColumn<qint64>("to");
        QTest::addColumn<QString>("spoil");
        QTest::addColumn<int>("whole");
        QTest::addColumn<QString>("error");
        const qint64 all = firstSize + secondSize;
        QTest::newRow("cancel after the first file") << firstSize << firstSize << "" << 1 << "";
        QTest::newRow("cancel inside the second file") << firstSize + 1 << all - 1 << "" << 1 << "";
        QTest::newRow("cancel after the last file") << all << all << "" << 2 << "";
        QTest::newRow("IMAGES became a file") << -1LL << -1LL << "IMAGES" << 1 << "IMAGES";
        // Opening it would block for good.
        QTest::newRow("image became a pipe") << -1LL << -1LL << "pipe" << 1 << "not a plain file";
    }

    void stoppedMidwayKeepsOldConfig()
    {
        QFETCH(qint64, from);
        QFETCH(qint64, to);
        QFETCH(QString, spoil);
        QFETCH(int, whole);
        QFETCH(QString, error);
        QTemporaryDir card;
        writeFile(card.path(), "Config.txt", "old\n");
        const QString tag = QTest::currentDataTag();
        const QString first = source(tag + "/first.vxf", pattern(firstSize, 4));
        const QString second = source(tag + "/second.vxp", pattern(secondSize, 5));
        const CardPlan plan = planCard({first}, {second}, card.path());
        QVERIFY(plan.ok());
        if (spoil == "pipe") {
            QFile::remove(second);
            QCOMPARE(::mkfifo(QFile::encodeName(second).constData(), 0600), 0);
        } else if (!spoil.isEmpty()) {
            writeFile(card.path(), spoil, "x");
        }
        std::atomic<bool> cancel{false};
        const auto progress = [&](qint64 done, qint64, const QString &) {
            if (done >= from && done <= to)
                cancel = true;
        };
        const CardWrite result = writeCard(plan, textFor(plan), progress, &cancel);
        QCOMPARE(result.cancelled, error.isEmpty());
        QVERIFY2(error.isEmpty() ? result.error.isEmpty() : result.error.contains(error),
                 qPrintable(result.error));
        QCOMPARE(result.written.size(), whole);
        QCOMPARE(readAll(card.path() + "/FONTS/first.vxf"), readAll(first));
        QCOMPARE(readAll(card.path() + "/Config.txt"), QByteArray("old\n"));
        // Nothing but whole files, not even a temporary one.
        const QStringList images =
            QDir(card.path() + "/IMAGES")
                .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        QCOMPARE(images, whole == 2 ? QStringList{"second.vxp"} : QStringList());
        const QString summary = cardSummary(result);
        QVERIFY2(summary.contains(QStringLiteral("wrote %1 of 2 files").arg(whole)) &&
                     summary.startsWith("Cancelled") == error.isEmpty(),
                 qPrintable(summary));
    }
};

QTEST_GUILESS_MAIN(SdCardTest)
#include "tst_sdcard.moc"

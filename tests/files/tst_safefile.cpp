// Writing a file whole or not at all, on real files in a temporary folder:
// the old file stays as it was until the new one is complete, nothing is
// left behind by a write given up, and a name that is no plain file is
// refused before anything is created.
#include "files/safefile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool put(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

class TestSafeFile : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;

    QString path(const QString &name) const { return dir->filePath(name); }
    QStringList entries() const
    {
        return QDir(dir->path())
            .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System | QDir::Hidden);
    }

private slots:
    void init() { dir = std::make_unique<QTemporaryDir>(); }

    // Until commit the target keeps its old bytes; after it, exactly the
    // new ones, with no temporary file beside it.
    void theOldFileStaysUntilTheNewOneIsWhole()
    {
        QVERIFY(put(path("Config.txt"), "old"));
        SafeFile file(path("Config.txt"));
        QVERIFY(file.open());
        QVERIFY(file.write(QByteArray(100000, 'n')));
        QCOMPARE(contents(path("Config.txt")), QByteArray("old"));
        QVERIFY(file.commit());
        QCOMPARE(contents(path("Config.txt")), QByteArray(100000, 'n'));
        QCOMPARE(entries(), QStringList{"Config.txt"});
    }

    void aWriteGivenUpLeavesNothingBehind()
    {
        QVERIFY(put(path("kept.vxs"), "kept"));
        {
            SafeFile file(path("kept.vxs"));
            QVERIFY(file.open());
            QVERIFY(file.write("half"));
            file.discard();
            QVERIFY(!file.commit()); // a discarded file cannot be committed after all
        }
        {
            SafeFile file(path("new.vxs"));
            QVERIFY(file.open());
            QVERIFY(file.write("never committed"));
        } // gone out of scope uncommitted
        QCOMPARE(contents(path("kept.vxs")), QByteArray("kept"));
        QCOMPARE(entries(), QStringList{"kept.vxs"});
    }

    void namesThatAreNoPlainFileAreRefused_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("message");
        QTest::newRow("folder") << "folder"
                                << "Cannot write folder: it is a folder";
        QTest::newRow("device") << "/dev/null"
                                << "Cannot write null: it is not a plain file";
        QTest::newRow("missing folder") << "no/such/file.txt"
                                        << "Cannot write file.txt: its folder does not exist";
        QTest::newRow("no name") << ""
                                 << "Cannot write : no file name given";
    }

    void namesThatAreNoPlainFileAreRefused()
    {
        QFETCH(QString, target);
        QFETCH(QString, message);
        QVERIFY(QDir(dir->path()).mkdir("folder"));
        const QString full = target.isEmpty() || target.startsWith('/') ? target : path(target);
        QString error;
        QVERIFY(!writeFileSafely(full, "bytes", error));
        QCOMPARE(error, message);
        QCOMPARE(entries(), QStringList{"folder"});
        QVERIFY(QFileInfo("/dev/null").exists());
    }

    // A folder that cannot hold the temporary file fails on opening, with
    // the reason, and the target is untouched.
    void aFolderInTheWayFailsWithItsReason()
    {
        QVERIFY(put(path("plain"), "a file, not a folder"));
        SafeFile file(path("plain") + "/inside.txt");
        QVERIFY(!file.open());
        QVERIFY(file.error().startsWith("Cannot write inside.txt: "));
        QCOMPARE(contents(path("plain")), QByteArray("a file, not a folder"));
    }

    // A link to a file is written through: the link stays and its target
    // gets the new bytes.
    void aLinkIsWrittenThrough()
    {
        QVERIFY(put(path("target.txt"), "old"));
        QVERIFY(QFile::link(path("target.txt"), path("link.txt")));
        QString error;
        QVERIFY2(writeFileSafely(path("link.txt"), "new", error), qPrintable(error));
        QVERIFY(QFileInfo(path("link.txt")).isSymLink());
        QCOMPARE(contents(path("target.txt")), QByteArray("new"));
    }
};

QTEST_GUILESS_MAIN(TestSafeFile)
#include "tst_safefile.moc"

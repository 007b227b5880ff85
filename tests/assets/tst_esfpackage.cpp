#include "assets/esfpackage.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray offsetTable(const QList<quint32> &offsets)
{
    QByteArray table;
    for (quint32 offset : offsets) {
        table += char(offset >> 16);
        table += char(offset >> 8);
        table += char(offset);
    }
    return table.leftJustified(765, '\0');
}

QByteArray filled(int size, char value)
{
    return QByteArray(size, value);
}

} // namespace

class EsfPackageTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    int packages = 0;

    QString writePackage(const QByteArray &content)
    {
        const QString path = dir.filePath(QStringLiteral("p%1.esf").arg(++packages));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    QString newFolder()
    {
        const QString folder = dir.filePath(QStringLiteral("out%1").arg(packages));
        QDir().mkpath(folder);
        return folder;
    }

    static QByteArray readAll(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    void offsetsAreMostSignificantByteFirst()
    {
        const EsfOffsets offsets = esfOffsets(QByteArray("\x01\x02\x03\xFF\xFF\xFF\x00", 7));
        QCOMPARE(offsets[0], quint32(0x010203));
        QCOMPARE(offsets[1], quint32(0xFFFFFF));
        QCOMPARE(offsets[2], quint32(0)); // cut short: missing bytes are 0
        QCOMPARE(offsets[254], quint32(0));
    }

    void imageSlots_data()
    {
        QTest::addColumn<QList<quint32>>("offsets");
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QList<int>>("numbers");
        QTest::addColumn<int>("skipped");
        QTest::newRow("two images")
            << QList<quint32>{765, 865, 1065} << qint64(1065) << QList<int>{0, 1} << 0;
        QTest::newRow("equal first entries")
            << QList<quint32>{765, 765, 800} << qint64(800) << QList<int>{1} << 0;
        QTest::newRow("as long as the package")
            << QList<quint32>{0, 1065} << qint64(1065) << QList<int>{} << 0;
        QTest::newRow("past the end")
            << QList<quint32>{765, 865, 2000, 2100} << qint64(1065) << QList<int>{0} << 1;
        QTest::newRow("partly past the end")
            << QList<quint32>{1000, 1100} << qint64(1065) << QList<int>{} << 1;
        QTest::newRow("all zero") << QList<quint32>{} << qint64(765) << QList<int>{} << 0;
        QTest::newRow("empty package") << QList<quint32>{} << qint64(0) << QList<int>{} << 0;
    }

    void imageSlots()
    {
        QFETCH(QList<quint32>, offsets);
        QFETCH(qint64, size);
        QFETCH(QList<int>, numbers);
        QFETCH(int, skipped);
        const EsfContents contents = esfContents(esfOffsets(offsetTable(offsets)), size);
        QList<int> found;
        for (const EsfSlot &slot : contents.images)
            found.append(slot.number);
        QCOMPARE(found, numbers);
        QCOMPARE(contents.skipped, skipped);
    }

    void theExamplePackage()
    {
        const QByteArray first = filled(100, 'A');
        const QByteArray second = filled(200, 'B');
        const QByteArray package = offsetTable({765, 865, 1065}) + first + second;
        QCOMPARE(package.size(), 1065);
        QString error;
        const auto opened = openEsfPackage(writePackage(package), error);
        QVERIFY(opened);
        const QString folder = newFolder();
        const EsfExtraction extraction = extractEsfImages(*opened, folder);
        QCOMPARE(extraction.written, QStringList({folder + "/0.vxp", folder + "/1.vxp"}));
        QVERIFY(extraction.failures.isEmpty());
        QCOMPARE(readAll(folder + "/0.vxp"), first);
        QCOMPARE(readAll(folder + "/1.vxp"), second);
        QCOMPARE(QDir(folder).entryList(QDir::Files).size(), 2);
    }

    void eachImageIsReadFromItsOwnOffset()
    {
        // Image 0 sits behind image 1, with a gap in front of both.
        QByteArray package = offsetTable({1000, 1100, 900});
        package += filled(135, '-') + filled(100, '1') + filled(100, '0');
        QCOMPARE(package.size(), 1100);
        // Slot 1 (900 - 1100) wraps to a huge length and counts as empty.
        QString error;
        const auto opened = openEsfPackage(writePackage(package), error);
        QVERIFY(opened);
        const QString folder = newFolder();
        QCOMPARE(extractEsfImages(*opened, folder).written, QStringList{folder + "/0.vxp"});
        QCOMPARE(readAll(folder + "/0.vxp"), filled(100, '0'));

        QByteArray reordered = offsetTable({865, 965, 765, 865});
        reordered += filled(100, 'c') + filled(100, 'a');
        const auto second = openEsfPackage(writePackage(reordered), error);
        const QString other = newFolder();
        const EsfExtraction extraction = extractEsfImages(*second, other);
        QCOMPARE(extraction.written, QStringList({other + "/0.vxp", other + "/2.vxp"}));
        QCOMPARE(readAll(other + "/0.vxp"), filled(100, 'a'));
        QCOMPARE(readAll(other + "/2.vxp"), filled(100, 'c'));
    }

    void hostilePackages()
    {
        QString error;
        QVERIFY(!openEsfPackage(dir.filePath("missing.esf"), error));
        QVERIFY(error.contains("missing.esf"));

        const auto empty = openEsfPackage(writePackage(QByteArray()), error);
        QVERIFY(empty && empty->contents.images.isEmpty());
        const auto truncated = openEsfPackage(writePackage(QByteArray("\x00\x00\x05", 3)), error);
        QVERIFY(truncated && truncated->contents.images.isEmpty());

        QByteArray garbage(5000, '\0');
        for (int i = 0; i < garbage.size(); ++i)
            garbage[i] = char((i * 7919 + 13) % 256);
        const auto noisy = openEsfPackage(writePackage(garbage), error);
        QVERIFY(noisy);
        const QString folder = newFolder();
        const EsfExtraction extraction = extractEsfImages(*noisy, folder);
        // Whatever the table says, only numbered files inside the folder come out.
        const QStringList written = QDir(folder).entryList(QDir::Files);
        QCOMPARE(written.size(), extraction.written.size());
        for (const QString &name : written)
            QVERIFY(QRegularExpression("^\\d+\\.vxp$").match(name).hasMatch());
        for (const EsfSlot &slot : noisy->contents.images)
            QVERIFY(qint64(slot.offset) + slot.length <= garbage.size());
    }

    void unwritableFolderIsReported()
    {
        QString error;
        const auto opened =
            openEsfPackage(writePackage(offsetTable({765, 865}) + filled(100, 'x')), error);
        const EsfExtraction extraction = extractEsfImages(*opened, dir.filePath("no/such"));
        QVERIFY(extraction.written.isEmpty());
        QCOMPARE(extraction.failures, QStringList{"0.vxp"});
    }
};

QTEST_GUILESS_MAIN(EsfPackageTest)
#include "tst_esfpackage.moc"

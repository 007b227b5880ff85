// The bench as installed: `cmake --install` into a scratch prefix, and the
// Debian package CPack makes, unpacked with dpkg-deb. Each tree is checked
// for its files and its programs are run from it, from folders that hold
// nothing of the bench.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Run
{
    int exitCode = -1; // also when it crashed or hung
    QString out;
    QString err;
    QString report() const { return QStringLiteral("exit %1: %2%3").arg(exitCode).arg(out, err); }
};

Run run(const QString &program, const QStringList &arguments,
        const QString &workingDirectory = QString(), int timeoutMs = 60000)
{
    QProcess process;
    process.setWorkingDirectory(workingDirectory);
    process.start(program, arguments);
    const bool ok =
        process.waitForFinished(timeoutMs) && process.exitStatus() == QProcess::NormalExit;
    return {ok ? process.exitCode() : -1, QString::fromLocal8Bit(process.readAllStandardOutput()),
            QString::fromLocal8Bit(process.readAllStandardError())};
}

// `vexelbench --check-data` as "key: value" pairs.
QMap<QString, QString> checkData(const QString &bench, const QString &workingDirectory,
                                 int *exitCode)
{
    const Run done = run(bench, {"--check-data"}, workingDirectory);
    *exitCode = done.exitCode;
    QMap<QString, QString> found;
    for (const QString &line : done.out.split('\n', Qt::SkipEmptyParts)) {
        const int colon = int(line.indexOf(QLatin1String(": ")));
        if (colon > 0)
            found.insert(line.left(colon), line.mid(colon + 2));
    }
    if (found.isEmpty())
        qWarning("%s", qPrintable(done.report()));
    return found;
}

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

const QList<int> iconSizes = {16, 24, 32, 48, 64, 128, 256};
const char *const manualName = "Vexel-900 Manual-html.html";

} // namespace

class TestPackage : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir scratch;

    // Every file the bench needs, under `prefix` (the install prefix, or
    // usr/ of the unpacked package).
    void checkLayout(const QDir &prefix)
    {
        for (const char *program : {"vexelbench", "vexelsim", "vexelctl"}) {
            const QFileInfo file(prefix.filePath(QStringLiteral("bin/") + program));
            QVERIFY2(file.isFile() && file.isExecutable(), program);
        }
        const QDir data(prefix.filePath("share/vexelbench"));
        QVERIFY(data.exists("style.qss"));
        QCOMPARE(contentOf(data.filePath("style.qss")),
                 contentOf(qEnvironmentVariable("VEXEL_SOURCE_DIR") + "/resources/style.qss"));
        QVERIFY(data.exists(manualName));
#ifdef FONT_FETCHED
        QVERIFY(data.exists("NovaSquare.ttf"));
        // The licence goes wherever the font goes.
        QVERIFY(contentOf(data.filePath("OFL.txt")).contains("Nova Square"));
#endif
        const QByteArray desktop =
            contentOf(prefix.filePath("share/applications/vexelbench.desktop"));
        QVERIFY(desktop.startsWith("[Desktop Entry]\n"));
        QVERIFY(desktop.contains("\nExec=vexelbench\n") && desktop.contains("\nIcon=vexelbench\n"));
        // The window's 32 x 32 icon: that size unchanged, whole multiples of
        // it pixel for pixel, the rest at least the right size.
        const QImage source =
            QImage(qEnvironmentVariable("VEXEL_SOURCE_DIR") + "/resources/Vexelconfig.ico")
                .convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(source.size(), QSize(32, 32));
        for (const int size : iconSizes) {
            const QString icon = prefix.filePath(
                QStringLiteral("share/icons/hicolor/%1x%1/apps/vexelbench.png").arg(size));
            const QImage image = QImage(icon).convertToFormat(QImage::Format_ARGB32);
            QVERIFY2(image.size() == QSize(size, size), qPrintable(icon));
            if (size % 32 == 0) {
                const int scale = size / 32;
                for (int y = 0; y < 32; ++y)
                    for (int x = 0; x < 32; ++x)
                        QCOMPARE(image.pixel(x * scale, y * scale), source.pixel(x, y));
            }
        }
#ifdef MAN_PAGES_BUILT
        for (const char *program : {"vexelbench", "vexelsim", "vexelctl"}) {
            const QByteArray page =
                contentOf(prefix.filePath(QStringLiteral("share/man/man1/%1.1").arg(program)));
            QVERIFY2(page.contains(".TH " + QByteArray(program).toUpper()), program);
            // Written from --help as the program prints it, not from a path in the build.
            QVERIFY2(!page.contains(BUILD_DIR), program);
        }
        QVERIFY(contentOf(prefix.filePath("share/man/man1/vexelctl.1")).contains("script\\-from"));
        QVERIFY(contentOf(prefix.filePath("share/man/man1/vexelbench.1")).contains("check\\-data"));
#endif
        QCOMPARE(contentOf(prefix.filePath(QStringLiteral(WIRESHARK_PLUGIN_DIR) + "/vexel900.lua")),
                 contentOf(DISSECTOR_PATH));
#ifdef WEB_MANUAL_BUILT
        QVERIFY(QDir(prefix.filePath(PLUGIN_INSTALL_DIR)).exists("libvexelwebmanual.so"));
#endif
    }

    // Started in an empty folder the bench takes everything from the
    // installed data; a style sheet in the working directory still wins.
    void checkDataLookup(const QDir &prefix)
    {
        const QString bench = prefix.filePath("bin/vexelbench");
        const QString data = prefix.filePath("share/vexelbench");
        const QString empty = scratch.filePath("empty");
        QVERIFY(QDir().mkpath(empty));
        QVERIFY(QDir(empty).isEmpty());

        int exitCode = -1;
        QMap<QString, QString> found = checkData(bench, empty, &exitCode);
        QCOMPARE(exitCode, 0);
        QCOMPARE(found.value("style sheet"), data + "/style.qss");
        QCOMPARE(found.value("manual"), data + "/" + manualName);
#ifdef FONT_FETCHED
        QCOMPARE(found.value("font"), data + "/NovaSquare.ttf");
#else
        QCOMPARE(found.value("font"), QString("built in"));
#endif
#ifdef WEB_MANUAL_BUILT
        QCOMPARE(found.value("manual page"),
                 "web view from " + prefix.filePath(PLUGIN_INSTALL_DIR) + "/libvexelwebmanual.so");
#else
        QCOMPARE(found.value("manual page"), QString("text browser"));
#endif

        const QString own = scratch.filePath("own");
        QVERIFY(QDir().mkpath(own));
        writeFile(own + "/style.qss", "QLabel { color: red; }");
        found = checkData(bench, own, &exitCode);
        QCOMPARE(exitCode, 0);
        QCOMPARE(found.value("style sheet"), own + "/style.qss");
        QCOMPARE(found.value("manual"), data + "/" + manualName); // not in the folder: installed
        QVERIFY(QDir(own).removeRecursively());
    }

private slots:
    void initTestCase()
    {
        QVERIFY(scratch.isValid());
    }

    void installedTreeFindsItsData()
    {
        const QString prefix = scratch.filePath("prefix");
        const Run install = run(CMAKE_PATH, {"--install", BUILD_DIR, "--prefix", prefix});
        QVERIFY2(install.exitCode == 0, qPrintable(install.report()));
        checkLayout(QDir(prefix));
        checkDataLookup(QDir(prefix));

        // Without the installed data the check says so and fails.
        QVERIFY(QFile::remove(prefix + "/share/vexelbench/style.qss"));
        int exitCode = -1;
        const QMap<QString, QString> found =
            checkData(prefix + "/bin/vexelbench", scratch.filePath("empty"), &exitCode);
        QCOMPARE(found.value("style sheet"), QString("not found"));
        QCOMPARE(exitCode, 1);
    }

    void debianPackageRunsFromWhereItIsUnpacked()
    {
        const QString out = scratch.filePath("deb");
        const Run pack =
            run(CPACK_PATH, {"-G", "DEB", "--config", BUILD_DIR "/CPackConfig.cmake", "-B", out},
                QString(), 300000);
        QVERIFY2(pack.exitCode == 0, qPrintable(pack.report()));
        const QStringList debs = QDir(out).entryList({"*.deb"}, QDir::Files);
        QCOMPARE(debs.size(), 1);
        const QString deb = QDir(out).filePath(debs.first());

        const Run fields = run("dpkg-deb", {"--field", deb, "Package", "Version", "Depends"});
        QVERIFY2(fields.exitCode == 0, qPrintable(fields.report()));
        QVERIFY2(fields.out.contains("Package: vexelbench\n"), qPrintable(fields.out));
        QVERIFY2(fields.out.contains("Version: " VEXEL_VERSION "\n"), qPrintable(fields.out));
        // Worked out from the binaries by dpkg-shlibdeps.
        const QString qtCore =
            QT_VERSION_MAJOR == 5 ? QStringLiteral("libqt5core5a") : QStringLiteral("libqt6core6");
        QVERIFY2(fields.out.contains("libc6") && fields.out.contains(qtCore),
                 qPrintable(fields.out));
#ifdef WEB_MANUAL_BUILT
        QVERIFY2(fields.out.contains("libqt5webkit5"), qPrintable(fields.out));
#endif

        const QString root = scratch.filePath("root");
        const Run unpack = run("dpkg-deb", {"-x", deb, root});
        QVERIFY2(unpack.exitCode == 0, qPrintable(unpack.report()));
        const QDir usr(root + "/usr");
        checkLayout(usr);

        const Run help = run(usr.filePath("bin/vexelctl"), {"--help"}, scratch.filePath("empty"));
        QVERIFY2(help.exitCode == 0 && help.out.startsWith("Usage: vexelctl"),
                 qPrintable(help.report()));
        const Run sim = run(usr.filePath("bin/vexelsim"), {"--help"}, scratch.filePath("empty"));
        QVERIFY2(sim.exitCode == 0 && sim.out.contains("pseudo-terminal"),
                 qPrintable(sim.report()));
        checkDataLookup(usr);
    }
};

QTEST_GUILESS_MAIN(TestPackage)
#include "tst_package.moc"

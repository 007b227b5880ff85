// The core folders stay widget-free: none of their sources includes a
// window or page header, the form, or anything of Qt Widgets, and none of
// their build files adds to the window's library. A break names the file,
// the line and what it pulls in.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLibraryInfo>
#include <QRegularExpression>
#include <QSet>
#include <QtTest>

namespace {

const QStringList coreFolders = {"commands", "serial",  "config", "assets", "sdcard",
                                 "files",    "traffic", "script", "cli",    "hostcode",
                                 "firmware", "preview", "design"};

QString sourceDir()
{
    return qEnvironmentVariable("VEXEL_SOURCE_DIR");
}

// Every header Qt Widgets installs, by the name an #include gives it.
QSet<QString> widgetHeaders()
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    const QString headers = QLibraryInfo::path(QLibraryInfo::HeadersPath);
#else
    const QString headers = QLibraryInfo::location(QLibraryInfo::HeadersPath);
#endif
    QSet<QString> names;
    for (const QString &name : QDir(headers + "/QtWidgets").entryList(QDir::Files))
        names << name << "QtWidgets/" + name;
    names << "QtWidgets";
    return names;
}

// Why `included` has no place in a core folder, or nothing.
QString forbidden(const QString &included, const QSet<QString> &widgets)
{
    if (included.startsWith("ui/") || included.startsWith("ui_"))
        return "a window or page header";
    if (included == "app/mainwindow.h")
        return "the window";
    if (widgets.contains(included))
        return "Qt Widgets";
    return {};
}

QStringList sourcesIn(const QString &folder)
{
    QStringList files;
    QDirIterator it(sourceDir() + '/' + folder, {"*.h", "*.cpp"}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    return files;
}

} // namespace

class TestLayering : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY2(!sourceDir().isEmpty(), "VEXEL_SOURCE_DIR is not set"); }

    void coreSourcesIncludeNoWindowCode()
    {
        const QSet<QString> widgets = widgetHeaders();
        QVERIFY2(widgets.contains("QWidget") && widgets.contains("QPushButton"),
                 "cannot find Qt Widgets' headers");
        const QRegularExpression include(
            QStringLiteral("^\\s*#\\s*include\\s*[<\"]([^>\"]+)[>\"]"));
        QStringList breaks;
        int files = 0;
        for (const QString &folder : coreFolders) {
            for (const QString &path : sourcesIn(folder)) {
                ++files;
                QFile file(path);
                QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(path));
                int lineNumber = 0;
                while (!file.atEnd()) {
                    const QString line = QString::fromUtf8(file.readLine());
                    ++lineNumber;
                    const QRegularExpressionMatch match = include.match(line);
                    const QString why =
                        match.hasMatch() ? forbidden(match.captured(1), widgets) : QString();
                    if (!why.isEmpty())
                        breaks << QStringLiteral("%1:%2 includes %3 (%4)")
                                      .arg(QDir(sourceDir()).relativeFilePath(path))
                                      .arg(lineNumber)
                                      .arg(match.captured(1), why);
                }
            }
        }
        QVERIFY(files > 100);
        QVERIFY2(breaks.isEmpty(), qPrintable(breaks.join('\n')));
    }

    void coreBuildFilesDefineOnlyWidgetFreeLibraries()
    {
        QStringList breaks;
        for (const QString &folder : coreFolders) {
            QFile file(sourceDir() + '/' + folder + "/CMakeLists.txt");
            QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
            const QString text = QString::fromUtf8(file.readAll());
            for (const char *word : {"vexelwindow", "::Widgets"}) {
                if (text.contains(QLatin1String(word)))
                    breaks << folder + "/CMakeLists.txt names " + word;
            }
        }
        QVERIFY2(breaks.isEmpty(), qPrintable(breaks.join('\n')));
    }

    // The check itself: a window header and a widget header are caught,
    // core and plain Qt headers are not.
    void theCheckTellsWindowCodeFromCore()
    {
        const QSet<QString> widgets = widgetHeaders();
        QVERIFY(!forbidden("ui/commandpage.h", widgets).isEmpty());
        QVERIFY(!forbidden("ui_mainwindow.h", widgets).isEmpty());
        QVERIFY(!forbidden("QPushButton", widgets).isEmpty());
        QVERIFY(!forbidden("QtWidgets/QLabel", widgets).isEmpty());
        QVERIFY(forbidden("serial/modulelink.h", widgets).isEmpty());
        QVERIFY(forbidden("QSerialPort", widgets).isEmpty());
        QVERIFY(forbidden("QColor", widgets).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestLayering)
#include "tst_layering.moc"

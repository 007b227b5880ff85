// The real vexelbench on a private X server set up as a 100 % and a 200 %
// screen look to X11 programs: the window must come up at the form's size
// times the screen's scale, counted in device pixels by the X server.
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QSize>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QSize formSize(1280, 722);
constexpr int windowWaitMs = 20000;

// Scale settings of the environment: each scales the window without the
// bench asking for it, so none may reach it.
const char *const scaleVariables[] = {
    "QT_SCALE_FACTOR",           "QT_SCREEN_SCALE_FACTORS", "QT_AUTO_SCREEN_SCALE_FACTOR",
    "QT_ENABLE_HIGHDPI_SCALING", "QT_DEVICE_PIXEL_RATIO",   "QT_FONT_DPI"};

// A child process that is ended on every way out of a test.
struct Child
{
    QProcess process;

    ~Child()
    {
        if (process.state() == QProcess::NotRunning)
            return;
        process.terminate();
        if (!process.waitForFinished(3000)) {
            process.kill();
            process.waitForFinished(3000);
        }
    }
};

QString output(const QString &program, const QStringList &arguments)
{
    QProcess run;
    run.setStandardErrorFile(QProcess::nullDevice());
    run.start(program, arguments);
    run.waitForFinished(5000);
    return QString::fromLocal8Bit(run.readAllStandardOutput());
}

// Starts Xvfb on a display number it picks itself, its screen at `dpi`;
// returns ":N", empty when it did not start. It keeps what clients set on
// it when the last one leaves (-noreset).
QString startXvfb(QProcess &xvfb, int dpi)
{
    xvfb.setStandardErrorFile(QProcess::nullDevice());
    xvfb.start(QStringLiteral("Xvfb"), {"-displayfd", "1", "-noreset", "-dpi", QString::number(dpi),
                                        "-screen", "0", "2880x1800x24", "-nolisten", "tcp"});
    QByteArray number;
    QElapsedTimer clock;
    clock.start();
    while (!number.contains('\n') && clock.elapsed() < 10000 &&
           xvfb.state() != QProcess::NotRunning) {
        xvfb.waitForReadyRead(100);
        number += xvfb.readAllStandardOutput();
    }
    number = number.trimmed();
    return number.isEmpty() ? QString() : QStringLiteral(":") + QString::fromLatin1(number);
}

// A desktop set to a scale tells X11 programs through the Xft.dpi resource;
// the screen's size in millimetres gives the same DPI. Qt 5 reads either,
// Qt 6 the resource alone.
bool announceDpi(const QString &display, int dpi)
{
    return QProcess::execute(QStringLiteral("xprop"),
                             {"-display", display, "-root", "-format", "RESOURCE_MANAGER", "8s",
                              "-set", "RESOURCE_MANAGER",
                              QStringLiteral("Xft.dpi:\t%1\n").arg(dpi)}) == 0;
}

QProcessEnvironment benchEnvironment(const QString &display, const QTemporaryDir &home)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : scaleVariables)
        environment.remove(QLatin1String(name));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.insert(QStringLiteral("DISPLAY"), display);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("HOME"), home.path());
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.path());
    return environment;
}

// The size in device pixels of the bench's top-level window once the server
// has mapped it; empty when it was not mapped in time.
QSize mappedBenchWindow(const QString &display, const QProcess &bench)
{
    const QRegularExpression benchLine(QStringLiteral("^\\s*(0x[0-9a-f]+) \".*Vexel900 Bench"),
                                       QRegularExpression::MultilineOption);
    const QRegularExpression width(QStringLiteral("Width: (\\d+)"));
    const QRegularExpression height(QStringLiteral("Height: (\\d+)"));
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < windowWaitMs && bench.state() == QProcess::Running) {
        const QRegularExpressionMatch line =
            benchLine.match(output("xwininfo", {"-display", display, "-root", "-tree"}));
        if (line.hasMatch()) {
            const QString info = output("xwininfo", {"-display", display, "-id", line.captured(1)});
            if (info.contains(QLatin1String("Map State: IsViewable")))
                return {width.match(info).captured(1).toInt(),
                        height.match(info).captured(1).toInt()};
        }
        QTest::qWait(50);
    }
    return {};
}

} // namespace

class TestHighDpi : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        for (const char *tool : {"Xvfb", "xwininfo", "xprop"}) {
            if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
                QSKIP("needs Xvfb, xwininfo and xprop (scripts/setup.sh installs them)");
        }
    }

    void windowScalesWithTheScreen_data()
    {
        QTest::addColumn<int>("dpi");
        QTest::addColumn<QSize>("expected");
        QTest::newRow("100 %") << 96 << formSize;
        QTest::newRow("200 %") << 192 << formSize * 2;
    }

    void windowScalesWithTheScreen()
    {
        QFETCH(int, dpi);
        QFETCH(QSize, expected);
        Child xvfb;
        const QString display = startXvfb(xvfb.process, dpi);
        QVERIFY2(!display.isEmpty(), "Xvfb did not start");
        QVERIFY(announceDpi(display, dpi));

        QTemporaryDir home;
        Child bench;
        bench.process.setWorkingDirectory(home.path());
        bench.process.setStandardOutputFile(QProcess::nullDevice());
        bench.process.setStandardErrorFile(QProcess::nullDevice());
        bench.process.setProcessEnvironment(benchEnvironment(display, home));
        bench.process.start(QStringLiteral(VEXELBENCH_PATH), QStringList());
        QVERIFY2(bench.process.waitForStarted(5000), qPrintable(bench.process.errorString()));

        const QSize shown = mappedBenchWindow(display, bench.process);
        QVERIFY2(shown.isValid(), "the bench mapped no window");
        QCOMPARE(shown, expected);
    }
};

QTEST_GUILESS_MAIN(TestHighDpi)
#include "tst_highdpi.moc"

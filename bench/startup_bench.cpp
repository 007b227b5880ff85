// Time from process start until the main window is shown, for the bench, for
// CuteCom and for a bare QMainWindow of the bench's size, started the same
// way. The offscreen platform draws nowhere another process can watch, so all
// start on one private Xvfb server and the time is taken when the server maps
// their first top-level window: the same outside observer for each, with no
// code added to any.
#include "benchsupport.h"

#include <QByteArray>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

// After Qt: Xlib defines macros (None, Bool, Status) that clash with Qt's names.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

constexpr int defaultRuns = 9;
constexpr int mapTimeoutMs = 20000;
// The bench may take this much longer than a bare QMainWindow of its size.
constexpr double maxOverBare = 1.3;

struct Program
{
    const char *label;
    QString path;
    QString workDir;
    QString home; // a fresh home: no saved settings or sessions on either side
};

struct Launch
{
    double seconds = -1;
    QString windowName;
};

pid_t xvfb = 0; // ended on every way out, or it outlives the benchmark

void stopXvfb()
{
    if (xvfb > 0) {
        kill(xvfb, SIGTERM);
        waitpid(xvfb, nullptr, 0);
        xvfb = 0;
    }
}

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "startup_bench: %s\n", what);
    stopXvfb();
    std::exit(2);
}

// Starts Xvfb on a free display number it picks itself; returns ":N".
QByteArray startXvfb()
{
    int ends[2];
    if (pipe(ends) != 0)
        fail("no pipe");
    xvfb = fork();
    if (xvfb == 0) {
        const int devnull = ::open("/dev/null", O_WRONLY);
        dup2(devnull, STDOUT_FILENO);
        dup2(devnull, STDERR_FILENO);
        const QByteArray fd = QByteArray::number(ends[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.constData(), "-screen", "0", "1280x800x24",
               "-nolisten", "tcp", static_cast<char *>(nullptr));
        _exit(127);
    }
    ::close(ends[1]);
    QByteArray number;
    pollfd watch{ends[0], POLLIN, 0};
    char c = 0;
    while (poll(&watch, 1, 10000) > 0 && ::read(ends[0], &c, 1) == 1 && c != '\n')
        number.append(c);
    ::close(ends[0]);
    if (number.isEmpty())
        fail("Xvfb did not start (is the xvfb package installed?)");
    return ":" + number;
}

void execProgram(const Program &program, const QByteArray &display)
{
    if (chdir(QFile::encodeName(program.workDir).constData()) != 0)
        _exit(127);
    const QByteArray home = QFile::encodeName(program.home);
    setenv("DISPLAY", display.constData(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    setenv("HOME", home.constData(), 1);
    setenv("XDG_CONFIG_HOME", (home + "/.config").constData(), 1);
    setenv("XDG_CACHE_HOME", (home + "/.cache").constData(), 1);
    setenv("XDG_RUNTIME_DIR", (home + "/run").constData(), 1);
    unsetenv("DBUS_SESSION_BUS_ADDRESS");
    unsetenv("WAYLAND_DISPLAY");
    const int devnull = ::open("/dev/null", O_RDWR);
    dup2(devnull, STDIN_FILENO);
    dup2(devnull, STDOUT_FILENO);
    dup2(devnull, STDERR_FILENO);
    const QByteArray path = QFile::encodeName(program.path);
    execl(path.constData(), path.constData(), static_cast<char *>(nullptr));
    _exit(127);
}

QString windowName(Display *x, Window window)
{
    char *name = nullptr;
    QString text;
    if (XFetchName(x, window, &name) && name)
        text = QString::fromLocal8Bit(name);
    XFree(name);
    return text;
}

// Waits for the first top-level window to be mapped; false when the
// program ended or the time ran out first.
bool waitForMap(Display *x, pid_t child, Launch &launch, Clock::time_point started)
{
    pollfd watch{ConnectionNumber(x), POLLIN, 0};
    while (secondsBetween(started, Clock::now()) * 1000 < mapTimeoutMs) {
        while (XPending(x)) {
            XEvent event;
            XNextEvent(x, &event);
            if (event.type == MapNotify && !event.xmap.override_redirect) {
                launch.seconds = secondsBetween(started, Clock::now());
                launch.windowName = windowName(x, event.xmap.window);
                return true;
            }
        }
        int status = 0;
        if (waitpid(child, &status, WNOHANG) == child)
            return false;
        poll(&watch, 1, 5);
    }
    return false;
}

void stop(pid_t child)
{
    kill(child, SIGTERM);
    for (int i = 0; i < 300; ++i) {
        if (waitpid(child, nullptr, WNOHANG) == child)
            return;
        usleep(10000);
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
}

Launch launch(Display *x, const QByteArray &display, const Program &program)
{
    XSync(x, True); // forget the previous run's events
    Launch result;
    const Clock::time_point started = Clock::now();
    const pid_t child = fork();
    if (child == 0)
        execProgram(program, display);
    const bool shown = waitForMap(x, child, result, started);
    stop(child);
    usleep(300000); // let the server and the machine settle between runs
    if (!shown)
        std::fprintf(stderr, "%s showed no window\n", program.label);
    return result;
}

struct Series
{
    Program program;
    QVector<double> times;
    QString windowName;
};

void report(const Series &series)
{
    const QVector<double> &times = series.times;
    std::printf("  %-10s median %.3f s   min %.3f   max %.3f   window \"%s\"\n",
                series.program.label, median(times), *std::min_element(times.begin(), times.end()),
                *std::max_element(times.begin(), times.end()),
                qPrintable(series.windowName.trimmed()));
}

Program makeProgram(const char *label, const QString &path, const QString &workDir,
                    const QTemporaryDir &scratch)
{
    const QString home = scratch.filePath(QString::fromLatin1(label));
    QDir().mkpath(home + "/run");
    QFile::setPermissions(home + "/run", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return {label, path, workDir, home};
}

// Each program goes first in turn, so none always meets the machine straight
// after the same other program's exit.
void measure(Display *x, const QByteArray &display, QVector<Series> &all, int runs)
{
    // One start each first, so all find their libraries in the page cache.
    for (const Series &series : all)
        launch(x, display, series.program);
    for (int round = 0; round < runs; ++round) {
        for (int turn = 0; turn < all.size(); ++turn) {
            Series &series = all[(round + turn) % all.size()];
            const Launch run = launch(x, display, series.program);
            if (run.seconds < 0)
                fail("a program did not show its window");
            series.times.append(run.seconds);
            series.windowName = run.windowName;
        }
    }
}

} // namespace

// startup_bench [RUNS [BENCH]]: BENCH times another build of the bench.
int main(int argc, char *argv[])
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : defaultRuns;
    // Absolute: the bench is started from its run folder.
    const QString benchPath =
        QFileInfo(argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral(VEXELBENCH_PATH))
            .absoluteFilePath();
    const QString cutecom = QStandardPaths::findExecutable(QStringLiteral("cutecom"));
    if (cutecom.isEmpty())
        fail("CuteCom is not installed (scripts/bench.sh installs it)");
    QTemporaryDir scratch;
    const QString runDir = QFileInfo(QStringLiteral(VEXEL_RUN_DIR)).isDir()
                               ? QStringLiteral(VEXEL_RUN_DIR)
                               : scratch.path();
    QVector<Series> all = {
        {makeProgram("vexelbench", benchPath, runDir, scratch), {}, {}},
        {makeProgram("cutecom", cutecom, scratch.path(), scratch), {}, {}},
        {makeProgram("bare", QStringLiteral(BAREWINDOW_PATH), scratch.path(), scratch), {}, {}}};

    const QByteArray display = startXvfb();
    Display *x = XOpenDisplay(display.constData());
    if (!x)
        fail("cannot reach Xvfb");
    XSelectInput(x, DefaultRootWindow(x), SubstructureNotifyMask);
    measure(x, display, all, runs);
    XCloseDisplay(x);
    stopXvfb();

    std::printf("Start-up: process start until its main window is mapped, all on one Xvfb\n"
                "server (%s), taking turns, %d runs each after one warm-up start, fresh HOME\n",
                display.constData(), runs);
    for (const Series &series : all)
        report(series);
    const double bench = median(all[0].times);
    const double toCutecom = bench / median(all[1].times);
    const double toBare = bench / median(all[2].times);
    const bool met = toCutecom <= 1.0 && toBare <= maxOverBare && bench < 0.5;
    std::printf("  bench / CuteCom: %.2f (target at most 1.00): %s\n", toCutecom,
                toCutecom <= 1.0 ? "met" : "missed");
    std::printf("  bench / bare QMainWindow: %.2f (target at most %.2f): %s\n", toBare, maxOverBare,
                toBare <= maxOverBare ? "met" : "missed");
    std::printf("  bench under 0.5 s: %s\n", bench < 0.5 ? "met" : "missed");
    std::printf("  %s\n", met ? "targets met" : "TARGETS MISSED");
    return met ? 0 : 1;
}

// What waiting for a lost module costs, and how soon it is back. The real
// window is opened on a link to a pseudo-terminal; the reference is the same
// window sitting idle on its open port for the same time. Then the line hangs
// up and the link leads nowhere, as a by-id link goes with its device, and
// the window waits; the CPU both use is compared. Last, the module returns a
// few times on a new pseudo-terminal and the time until the port is open
// again is taken.
#include "benchsupport.h"
#include "serial/modulelink.h"
#include "ui/mainwindow.h"
#include "windowsupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace {

constexpr int idleMs = 5000;
constexpr int returns = 5;
// Waiting may cost this much of one core over sitting idle on an open port.
constexpr double addedCoreAllowed = 0.01;
constexpr double reopenAllowedMs = 1000;

// The master side of a fresh pseudo-terminal; closing it hangs up the line.
struct Line
{
    int master = -1;
    QString slave;

    Line()
    {
        master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
            qFatal("no pseudo-terminal");
        slave = QString::fromLocal8Bit(ptsname(master));
    }
    ~Line() { hangUp(); }
    void hangUp()
    {
        if (master >= 0)
            ::close(master);
        master = -1;
    }
};

// Points `link` at `target` in one step, as udev does.
void pointLink(const QString &link, const QString &target)
{
    const QString fresh = link + ".new";
    QFile::remove(fresh);
    if (!QFile::link(target, fresh) || ::rename(qPrintable(fresh), qPrintable(link)) != 0)
        qFatal("cannot point %s", qPrintable(link));
}

double cpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

void runLoopFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Share of one core the process used while its event loop ran for `ms`.
double coreShareOver(int ms)
{
    const double before = cpuSeconds();
    QElapsedTimer clock;
    clock.start();
    runLoopFor(ms);
    return (cpuSeconds() - before) / (double(clock.nsecsElapsed()) / 1e9);
}

// Runs the loop until `done` holds; the milliseconds it took, or -1.
template <typename Condition> double msUntil(Condition done, int limitMs = 5000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > limitMs)
            return -1;
        runLoopFor(1);
    }
    return double(clock.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    preferOffscreen();
    QApplication application(argc, argv);
    silenceDebugOutput();
    auto line = std::make_unique<Line>();
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("module"));
    pointLink(link, line->slave);

    MainWindow window;
    window.show();
    runLoopFor(500); // start-up work out of the way
    openPortInWindow(window, link);
    QSerialPort &port = windowLink(window).port();
    const double idle = coreShareOver(idleMs);

    line->hangUp();
    pointLink(link, dir.filePath(QStringLiteral("gone")));
    if (msUntil([&port] { return !port.isOpen(); }) < 0)
        qFatal("the window did not notice the hang-up");
    const double waiting = coreShareOver(idleMs);

    QVector<double> reopenMs;
    for (int i = 0; i < returns; ++i) {
        line = std::make_unique<Line>();
        pointLink(link, line->slave);
        const double ms = msUntil([&port] { return port.isOpen(); });
        if (ms < 0)
            qFatal("the window did not reopen the returned module");
        reopenMs << ms;
        line->hangUp();
        pointLink(link, dir.filePath(QStringLiteral("gone")));
        msUntil([&port] { return !port.isOpen(); });
        runLoopFor(100 + 37 * i); // returns at different points of the watch's beat
    }
    port.close();

    const double added = waiting - idle;
    const double reopen = median(reopenMs);
    const double slowest = *std::max_element(reopenMs.cbegin(), reopenMs.cend());
    std::printf("Reconnect: waiting for a lost module, %d s each\n", idleMs / 1000);
    std::printf("  idle on an open port (reference): %.2f %% of a core\n", idle * 100);
    std::printf("  waiting for the module:           %.2f %% of a core (%+.2f points; "
                "allowed +%.0f)\n",
                waiting * 100, added * 100, addedCoreAllowed * 100);
    std::printf("  back to open after the return: median %.0f ms, slowest %.0f ms of %d "
                "(allowed %.0f ms)\n",
                reopen, slowest, returns, reopenAllowedMs);
    const bool met = added <= addedCoreAllowed && slowest <= reopenAllowedMs;
    std::printf("  %s\n", met ? "target met" : "TARGET MISSED");
    return met ? 0 : 1;
}

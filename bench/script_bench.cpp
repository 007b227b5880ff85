// Command scripts at speed. A long run of drawing statements goes through the
// runner and the port link `vexelctl run` uses into a pseudo-terminal, beside
// `cat` of the same bytes; a long script with expectations runs from the
// window's Demos page while a 10 ms timer watches the event loop; and
// `vexelctl run` is timed from its start to its first byte on the line,
// beside the start of /bin/true.
#include "benchscripts.h"
#include "benchsupport.h"
#include "script/portlink.h"
#include "serial/modulelink.h"
#include "ui/mainwindow.h"
#include "ui/scriptpage.h"
#include "windowsupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSerialPort>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

constexpr int drawingStatements = 100000;
constexpr int windowStatements = 20000;
constexpr int statementsPerPing = 1000; // in the window's script
constexpr int rounds = 9;
constexpr int toolRounds = 3;
constexpr int parseRounds = 5;
constexpr int startRuns = 9;
constexpr double ratioAllowed = 1.5;
constexpr int tickMs = 10;
constexpr double longestGapAllowedMs = 100;
constexpr double firstByteAllowedMs = 50;
constexpr int drainTimeoutMs = 60000;

// What a parsed script sends, and where in it each ping ends.
struct Wire
{
    QByteArray bytes;
    QVector<qint64> pingEnds;
};

Wire wireOf(const script::Script &script)
{
    Wire wire;
    for (const script::Statement &statement : script.statements) {
        wire.bytes += script::statementWrites(statement, false).join();
        if (statement.kind == script::Statement::Kind::Command &&
            statement.command == Command::Ping)
            wire.pingEnds.append(wire.bytes.size());
    }
    return wire;
}

QString fileWith(const QTemporaryDir &dir, const char *name, const QByteArray &bytes)
{
    const QString path = dir.filePath(QLatin1String(name));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

bool intact(const Drain &drain, const QByteArray &expected)
{
    return drain.received() == expected.size() && drain.bodyHash() == hashOf(expected);
}

// Starts `arguments` with its output going to `output`, its errors thrown
// away. Started without QProcess, whose own start-up would be timed too.
pid_t spawn(const QByteArrayList &arguments, const QByteArray &output = "/dev/null")
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.constData(),
                                     O_WRONLY | O_NOCTTY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char *> argv;
    for (const QByteArray &argument : arguments)
        argv.push_back(const_cast<char *>(argument.constData()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        qFatal("cannot start %s", argv[0]);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

int exitCodeOf(pid_t pid)
{
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

Run catRun(const QString &path, const QByteArray &expected)
{
    Pty pty;
    Drain drain(pty.master(), expected.size());
    const Clock::time_point started = Clock::now();
    if (exitCodeOf(spawn({"cat", path.toLocal8Bit()}, pty.slavePath().toLocal8Bit())) != 0)
        qFatal("cat failed");
    waitFor(drain, drainTimeoutMs);
    return {secondsBetween(started, drain.completedAt()), intact(drain, expected)};
}

// The port opened as `vexelctl run` opens it, the script run by its PortLink
// with nothing following the steps; the clock runs from start() to the
// reader's last byte.
Run runnerRun(const script::Script &script, const QByteArray &expected)
{
    Pty pty;
    Drain drain(pty.master(), expected.size());
    ModuleLink port;
    if (!port.open({pty.slavePath(), 115200}))
        qFatal("cannot open %s: %s", qPrintable(pty.slavePath()),
               qPrintable(port.port().errorString()));
    script::PortLink link(port);
    QEventLoop loop;
    bool passed = false;
    QObject::connect(&link.runner(), &script::ScriptRunner::finished, &loop,
                     [&](const script::RunSummary &summary) {
                         passed = summary.ok();
                         loop.quit();
                     });
    const Clock::time_point started = Clock::now();
    link.runner().start(script);
    loop.exec();
    waitFor(drain, drainTimeoutMs);
    port.close();
    return {secondsBetween(started, drain.completedAt()), passed && intact(drain, expected)};
}

#ifdef VEXELCTL_PATH
// `vexelctl run` as a user runs it, printing a line per statement: from its
// start to the reader's last byte.
Run vexelctlRun(const QString &script, const QByteArray &expected)
{
    Pty pty;
    Drain drain(pty.master(), expected.size());
    const Clock::time_point started = Clock::now();
    const int code = exitCodeOf(spawn(
        {VEXELCTL_PATH, "run", script.toLocal8Bit(), "--port", pty.slavePath().toLocal8Bit()}));
    waitFor(drain, drainTimeoutMs);
    return {secondsBetween(started, drain.completedAt()), code == 0 && intact(drain, expected)};
}
#endif

bool runnerBesideCat()
{
    const QString text = drawingScript(drawingStatements);
    // The script run is the first parsed, on a heap as fresh as vexelctl's;
    // each parse is timed up to its result, dropping it is not.
    const script::Script script = parsedOrDie(text);
    QVector<double> parseSeconds;
    for (int i = 0; i < parseRounds; ++i) {
        const Clock::time_point started = Clock::now();
        const script::Script parsed = parsedOrDie(text);
        parseSeconds.append(secondsBetween(started, Clock::now()));
    }
    const QByteArray expected = wireOf(script).bytes;
    QTemporaryDir dir;
    const QString path = fileWith(dir, "drawing.bin", expected);

    catRun(path, expected); // both start warm
    runnerRun(script, expected);
    QVector<Run> cats, runs, tools;
    for (int round = 0; round < rounds; ++round) {
        cats.append(catRun(path, expected));
        runs.append(runnerRun(script, expected));
    }
#ifdef VEXELCTL_PATH
    const QString scriptPath = fileWith(dir, "drawing.vxscript", text.toUtf8());
    for (int round = 0; round < toolRounds; ++round)
        tools.append(vexelctlRun(scriptPath, expected));
#endif
    const double parse = median(parseSeconds);
    const double cat = median(secondsOf(cats));
    const double run = median(secondsOf(runs));
    const bool whole = allIntact(cats) && allIntact(runs) && allIntact(tools);

    std::printf("Drawing script: %d statements (%.1f KB of text, %.1f KB on the wire) run by\n"
                "ScriptRunner through PortLink on a QSerialPort into a pseudo-terminal drained "
                "by a\nreader thread, beside `cat` of the same bytes drained the same way; "
                "median of %d runs each, in turn\n",
                drawingStatements, text.toUtf8().size() / 1024.0, expected.size() / 1024.0, rounds);
    std::printf("  parse:       %.3f s, %.2f us a line (median of %d)\n", parse,
                parse * 1e6 / text.count(QLatin1Char('\n')), parseRounds);
    std::printf("  cat:         %.4f s\n", cat);
    std::printf("  run:         %.4f s, %.2f x cat (target at most %.1f)\n", run, run / cat,
                ratioAllowed);
    std::printf("  parse + run: %.4f s, %.2f x cat\n", parse + run, (parse + run) / cat);
    if (!tools.isEmpty())
        std::printf("  for scale:   `vexelctl run` of the script, printing a line per statement, "
                    "%.3f s\n               from its start to the last byte (median of %d)\n",
                    median(secondsOf(tools)), toolRounds);
    std::printf("  bytes:       %s\n", whole ? "every run delivered the statements' bytes intact"
                                             : "SOME RUN LOST OR ALTERED BYTES");
    const bool met = whole && run <= ratioAllowed * cat;
    std::printf("  %s\n", met ? "targets met" : "TARGETS MISSED");
    std::fflush(stdout);
    return met;
}

// The module's side of the window's line: drains it on a thread, hashing
// what arrives, and answers each ping with a pong once the ping's byte is in.
class PingAnswerer
{
public:
    PingAnswerer(int fd, const QVector<qint64> &pingEnds)
        : fd(fd), pingEnds(pingEnds), thread([this] { run(); })
    {
    }
    ~PingAnswerer() { finish(); }

    void finish()
    {
        stopping = true;
        if (thread.joinable())
            thread.join();
    }
    qint64 received() const { return count.load(); }
    // To be read after finish().
    uint64_t hash() const { return stream.value(); }

private:
    void run()
    {
        char buffer[1 << 16];
        pollfd watch{fd, POLLIN, 0};
        int answered = 0;
        while (!stopping) {
            if (poll(&watch, 1, 20) <= 0)
                continue;
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n <= 0)
                continue;
            stream.add(buffer, size_t(n));
            const qint64 total = count += n;
            // The script waits for each pong, so at most one ping is answered here.
            for (; answered < pingEnds.size() && pingEnds.at(answered) <= total; ++answered) {
                if (::write(fd, "8", 1) != 1)
                    return;
            }
        }
    }

    int fd;
    const QVector<qint64> pingEnds;
    std::atomic<qint64> count{0};
    std::atomic<bool> stopping{false};
    StreamHash stream;
    std::thread thread;
};

struct WindowRun
{
    double seconds = 0;
    double longestGapMs = 0;
    int statements = 0;
    int expectations = 0;
    qint64 wireBytes = 0;
    QString status;
    int outputLines = 0;
    bool outputEndsWell = false; // the last step, then the summary
    bool passed = false;
    bool intact = false;
};

// Shows the Demos page, puts the script in its editor and clicks Run; the
// clock and the timer's watch run from the click until the run's summary is
// in the status bar, so parsing the text on the click counts as a gap too.
WindowRun windowRun()
{
    constexpr int runLimitMs = 60000;
    const QString text = drawingScript(windowStatements, statementsPerPing);
    const Wire wire = wireOf(parsedOrDie(text));
    Pty pty;
    PingAnswerer module(pty.master(), wire.pingEnds);
    MainWindow window;
    window.show();
    QApplication::processEvents();
    openPortInWindow(window, pty.slavePath(), fastestBaudRate);
    widget<QTabWidget>(window, "tabbedWindow")->setCurrentWidget(widget<QWidget>(window, "tab_7"));
    auto *page = window.findChild<ScriptPage *>();
    widget<QPlainTextEdit>(window, "scriptEditor")->setPlainText(text);
    QApplication::processEvents();

    WindowRun result;
    result.statements = windowStatements + 2 * (windowStatements / statementsPerPing);
    result.expectations = windowStatements / statementsPerPing;
    result.wireBytes = wire.bytes.size();
    QEventLoop loop;
    Clock::time_point finished;
    QObject::connect(window.statusBar(), &QStatusBar::messageChanged, &loop,
                     [&](const QString &message) {
                         if (page->isRunning() || message.isEmpty())
                             return;
                         finished = Clock::now();
                         result.status = message;
                         loop.quit();
                     });
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    Clock::time_point lastTick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const Clock::time_point now = Clock::now();
        result.longestGapMs = std::max(result.longestGapMs, secondsBetween(lastTick, now) * 1000);
        lastTick = now;
    });
    QTimer::singleShot(runLimitMs, &loop, &QEventLoop::quit);

    const Clock::time_point started = Clock::now();
    lastTick = started;
    tick.start(tickMs);
    widget<QPushButton>(window, "scriptRun")->click();
    loop.exec();
    tick.stop();
    result.seconds = secondsBetween(started, finished);
    // Whatever is still on its way is let in before the count is read.
    QElapsedTimer settle;
    settle.start();
    while (module.received() < wire.bytes.size() && settle.elapsed() < 2000)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    module.finish();
    result.passed =
        result.status.contains(QStringLiteral("passed: %1 statements, %2 expectations met")
                                   .arg(result.statements)
                                   .arg(result.expectations));
    result.intact = module.received() == wire.bytes.size() && module.hash() == hashOf(wire.bytes);
    const QStringList shown =
        widget<QPlainTextEdit>(window, "scriptOutput")->toPlainText().split(QLatin1Char('\n'));
    const QString lastStep = QString::number(text.count(QLatin1Char('\n'))) + QLatin1String("  ");
    result.outputLines = shown.size();
    result.outputEndsWell = shown.size() > 2 && !shown.first().isEmpty() &&
                            shown.at(shown.size() - 2).startsWith(lastStep) &&
                            shown.last() == result.status;
    return result;
}

bool longScriptInTheWindow()
{
    const WindowRun run = windowRun();
    std::printf("Demos page: %d drawing statements with a ping and an expected pong after every\n"
                "%d, put in the editor of the real window (offscreen) and run with its Run "
                "button\nthrough a pseudo-terminal whose far side answers each ping\n",
                windowStatements, statementsPerPing);
    std::printf("  run:         %.3f s from the click to the summary in the status bar, %.1f KB "
                "sent\n",
                run.seconds, run.wireBytes / 1024.0);
    std::printf("  event loop:  longest gap of a %d ms timer %.1f ms (target at most %.0f ms)\n",
                tickMs, run.longestGapMs, longestGapAllowedMs);
    std::printf("  status bar:  %s\n", qPrintable(run.status));
    std::printf("  output pane: %d lines kept, %s\n", run.outputLines,
                run.outputEndsWell ? "the newest steps and the summary last"
                                   : "NOT ENDING WITH THE LAST STEP AND THE SUMMARY");
    std::printf("  bytes:       %s\n", run.intact ? "the far side received the statements' bytes "
                                                    "intact"
                                                  : "THE FAR SIDE RECEIVED OTHER BYTES");
    const bool met =
        run.passed && run.intact && run.outputEndsWell && run.longestGapMs <= longestGapAllowedMs;
    std::printf("  %s\n", met ? "targets met" : "TARGETS MISSED");
    std::fflush(stdout);
    return met;
}

#ifdef VEXELCTL_PATH

// From the start of the process to the first byte the reader takes off the line.
double firstByteSeconds(const QString &script)
{
    Pty pty;
    Drain drain(pty.master(), 1);
    const Clock::time_point started = Clock::now();
    const pid_t pid = spawn(
        {VEXELCTL_PATH, "run", script.toLocal8Bit(), "--port", pty.slavePath().toLocal8Bit()});
    const int code = exitCodeOf(pid);
    QElapsedTimer clock;
    clock.start();
    while (!drain.complete() && clock.elapsed() < 5000)
        QThread::usleep(200);
    drain.finish();
    if (code != 0 || !drain.complete())
        qFatal("vexelctl run failed (exit %d, %lld bytes on the line)", code, drain.received());
    return secondsBetween(started, drain.completedAt());
}

double startToExitSeconds(const QByteArrayList &arguments)
{
    const Clock::time_point started = Clock::now();
    exitCodeOf(spawn(arguments));
    return secondsBetween(started, Clock::now());
}

QString spread(const QVector<double> &seconds)
{
    const auto [low, high] = std::minmax_element(seconds.begin(), seconds.end());
    return QStringLiteral("%1 ms (median of %2; %3 to %4)")
        .arg(median(seconds) * 1000, 0, 'f', 1)
        .arg(seconds.size())
        .arg(*low * 1000, 0, 'f', 1)
        .arg(*high * 1000, 0, 'f', 1);
}

bool vexelctlFirstByte()
{
    QTemporaryDir dir;
    const QString script = fileWith(dir, "start.vxscript", drawingScript(20).toUtf8());
    const QByteArrayList help{VEXELCTL_PATH, "help"};
    const QByteArrayList trivial{"/bin/true"};

    firstByteSeconds(script); // all three start from the page cache
    startToExitSeconds(help);
    startToExitSeconds(trivial);
    QVector<double> firstBytes, helps, trues;
    for (int run = 0; run < startRuns; ++run) {
        firstBytes.append(firstByteSeconds(script));
        helps.append(startToExitSeconds(help));
        trues.append(startToExitSeconds(trivial));
    }
    const double firstByte = median(firstBytes);
    std::printf("vexelctl run: a 20-statement script against a pseudo-terminal, from the start "
                "of the\nprocess to the first byte a reader thread takes off the line; %d runs "
                "each, in turn\n",
                startRuns);
    std::printf("  first byte:  %s (target under %.0f ms)\n", qPrintable(spread(firstBytes)),
                firstByteAllowedMs);
    std::printf("  for scale:   `vexelctl help` start to exit %s\n", qPrintable(spread(helps)));
    std::printf("               /bin/true start to exit %s\n", qPrintable(spread(trues)));
    const bool met = firstByte * 1000 < firstByteAllowedMs;
    std::printf("  %s\n", met ? "targets met" : "TARGETS MISSED");
    std::fflush(stdout);
    return met;
}

#else

bool vexelctlFirstByte()
{
    std::printf("vexelctl run: not measured, this build has no vexelctl target\n");
    return true;
}

#endif

} // namespace

int main(int argc, char *argv[])
{
    preferOffscreen();
    QApplication application(argc, argv);
    silenceDebugOutput();
    const Clock::time_point started = Clock::now();
    bool met = runnerBesideCat();
    std::printf("\n");
    met = longScriptInTheWindow() && met;
    std::printf("\n");
    met = vexelctlFirstByte() && met;
    std::printf("Whole benchmark: %.1f s\n", secondsBetween(started, Clock::now()));
    return met ? 0 : 1;
}

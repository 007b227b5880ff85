#ifndef BENCHSUPPORT_H
#define BENCHSUPPORT_H

#include <QString>
#include <QVector>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <thread>

// Shared by the benchmarks: memory figures, medians, a pseudo-terminal that
// other threads and processes can write into, and a thread that drains it.

using Clock = std::chrono::steady_clock;

double secondsBetween(Clock::time_point from, Clock::time_point to);

long peakRssKb();    // the process's high-water mark so far
long currentRssKb(); // resident now

double median(QVector<double> values);
// The value `fraction` of the way up the sorted values (1: the largest).
double percentile(QVector<double> values, double fraction);

// Wall-clock seconds `work` took.
double secondsOf(const std::function<void()> &work);

// One timed run of a transfer, and whether its bytes arrived whole.
struct Run
{
    double seconds = 0;
    bool intact = false;
};
QVector<double> secondsOf(const QVector<Run> &runs);
bool allIntact(const QVector<Run> &runs);

// The window benchmarks draw offscreen unless QT_QPA_PLATFORM says
// otherwise; called before the application is made.
void preferOffscreen();

// Drops the window's qDebug chatter so the figures stay readable.
void silenceDebugOutput();

// A pseudo-terminal with a raw slave side. The slave is held open for the
// pair's whole life, so the master never reads EIO while a writer such as
// `cat` comes and goes.
class Pty
{
public:
    Pty();
    ~Pty();
    Pty(const Pty &) = delete;
    Pty &operator=(const Pty &) = delete;

    int master() const { return masterFd; }
    QString slavePath() const { return slaveName; }

private:
    int masterFd = -1;
    int slaveFd = -1;
    QString slaveName;
};

// Order-sensitive 64-bit hash of a byte stream, however it is cut into
// reads, cheap enough not to slow a drain of hundreds of MB/s.
class StreamHash
{
public:
    void add(const char *bytes, size_t size);
    uint64_t value() const;

private:
    void mix(uint64_t word);

    uint64_t state = 0x9E3779B97F4A7C15ULL;
    uint64_t pending = 0;
    int pendingBytes = 0;
};

uint64_t hashOf(const QByteArray &bytes);

// Reads the master side of a pseudo-terminal on its own thread, as fast as
// the line gives, keeping the first `headSize` bytes apart and hashing the
// rest; notes when the `expected`th byte arrived.
class Drain
{
public:
    Drain(int fd, qint64 expected, int headSize = 0);
    ~Drain();

    qint64 received() const { return count.load(); }
    bool complete() const { return count.load() >= expected; }
    // Stops the thread; the figures below are to be read after it.
    void finish();
    Clock::time_point completedAt() const { return lastByte; }
    QByteArray head() const { return headBytes; }
    uint64_t bodyHash() const { return body.value(); }

private:
    void run();

    int fd;
    qint64 expected;
    int headSize;
    std::atomic<qint64> count{0};
    std::atomic<bool> stopping{false};
    Clock::time_point lastByte;
    QByteArray headBytes;
    StreamHash body;
    std::thread thread;
};

// Serves the event loop until `drain` has everything or `timeoutMs` passed,
// then stops its thread: the bench under measure runs on this thread.
void waitFor(Drain &drain, int timeoutMs);

#endif // BENCHSUPPORT_H

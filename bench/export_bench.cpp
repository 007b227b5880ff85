// A 100,000-statement script exported to C, as the Demos page and
// `vexelctl export` export it: read, planned, written out and saved safely.
// Set beside writing the same bytes to the same two files through the same
// safe writer (a temporary file, synced, renamed), so the figure shows what
// the export adds to the writing it cannot avoid. Python and Arduino, and
// `vexelctl export` from its start to its exit, are timed for scale. Run by
// scripts/bench.sh, not a test.
#include "benchsupport.h"
#include "files/safefile.h"
#include "hostcode/hostcode.h"

#include <QCoreApplication>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr int statements = 100000;
constexpr int rounds = 5;
constexpr double secondsAllowed = 1.0;

// Drawing of every kind, texts, colours, and now and then a ping with its
// expectation, a wait or a repeat, as a long recorded session reads.
QString benchScript()
{
    QRandomGenerator random(20240611);
    QString text = QStringLiteral("# a long session\n");
    int written = 0;
    const auto add = [&](const QString &line) {
        text += line + QLatin1Char('\n');
        ++written;
    };
    while (written < statements) {
        switch (random.bounded(12)) {
        case 0:
            add(QStringLiteral("SetXHY %1 %2").arg(random.bounded(320)).arg(random.bounded(240)));
            break;
        case 1:
            add(QStringLiteral("boxHFill %1 %2").arg(random.bounded(320)).arg(random.bounded(240)));
            break;
        case 2:
            add(QStringLiteral("LINE_TO_XHY %1 %2")
                    .arg(random.bounded(320))
                    .arg(random.bounded(240)));
            break;
        case 3:
            add(QStringLiteral("SetColorH #%1").arg(random.bounded(0x1000000), 6, 16, QChar('0')));
            break;
        case 4:
            add(QStringLiteral("arcH %1 %2 %3")
                    .arg(1 + random.bounded(120))
                    .arg(random.bounded(361))
                    .arg(random.bounded(361)));
            break;
        case 5:
            add(QStringLiteral("printString \"Row %1\\t%2\"").arg(written).arg(random.bounded(99)));
            break;
        case 6:
            if (random.bounded(50) == 0) {
                add(QStringLiteral("ping"));
                add(QStringLiteral("expect pong within 2s"));
            }
            break;
        case 7:
            if (random.bounded(100) == 0) {
                add(QStringLiteral("repeat 3"));
                add(QStringLiteral("    circleRH %1").arg(1 + random.bounded(100)));
                add(QStringLiteral("    wait 10ms"));
                add(QStringLiteral("end"));
            }
            break;
        default:
            add(QStringLiteral("circleRH %1").arg(1 + random.bounded(120)));
            break;
        }
    }
    return text;
}

double exportSeconds(const QVector<hostcode::NamedScript> &scripts, hostcode::Language language,
                     const QString &dir)
{
    bool ok = false;
    const double seconds =
        secondsOf([&] { ok = hostcode::exportScripts(scripts, language, dir).ok(); });
    if (!ok)
        qFatal("the benchmark's script does not export");
    return seconds;
}

// The same files written as they are, through the same safe writer.
double writeSeconds(const QVector<hostcode::GeneratedFile> &files, const QString &dir)
{
    return secondsOf([&] {
        for (const hostcode::GeneratedFile &file : files) {
            QString error;
            if (!writeFileSafely(dir + QLatin1Char('/') + file.name, file.bytes, error))
                qFatal("%s", qPrintable(error));
        }
    });
}

#ifdef VEXELCTL_PATH
double vexelctlSeconds(const QString &script, const QString &dir)
{
    return secondsOf([&] {
        QProcess process;
        process.start(QStringLiteral(VEXELCTL_PATH),
                      {QStringLiteral("export"), script, QStringLiteral("--lang"),
                       QStringLiteral("c"), QStringLiteral("-o"), dir});
        if (!process.waitForFinished(60000) || process.exitCode() != 0)
            qFatal("vexelctl export failed");
    });
}
#endif

qint64 sizeOf(const QVector<hostcode::GeneratedFile> &files)
{
    qint64 size = 0;
    for (const hostcode::GeneratedFile &file : files)
        size += file.bytes.size();
    return size;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QTemporaryDir dir;
    const QString text = benchScript();
    const QString scriptPath = dir.filePath(QStringLiteral("session.vxscript"));
    QString error;
    if (!writeFileSafely(scriptPath, text.toUtf8(), error))
        qFatal("%s", qPrintable(error));
    const QVector<hostcode::NamedScript> scripts{{scriptPath, text, dir.path()}};
    const hostcode::Generated generated = hostcode::generateCode(scripts, hostcode::Language::C);
    if (!generated.problems.isEmpty())
        qFatal("%s", qPrintable(generated.problems.first().toString()));

    // Both start warm; then in turn, so a busy moment hits both alike.
    exportSeconds(scripts, hostcode::Language::C, dir.path());
    writeSeconds(generated.files, dir.path());
    QVector<double> exports, writes, generating, parsing, others;
    for (int round = 0; round < rounds; ++round) {
        exports.append(exportSeconds(scripts, hostcode::Language::C, dir.path()));
        writes.append(writeSeconds(generated.files, dir.path()));
        generating.append(
            secondsOf([&] { hostcode::generateCode(scripts, hostcode::Language::C); }));
        parsing.append(secondsOf([&] { script::parseScript(text, dir.path()); }));
    }
    for (const hostcode::Language language :
         {hostcode::Language::Python, hostcode::Language::Arduino})
        others.append(exportSeconds(scripts, language, dir.path()));

    const double exported = median(exports);
    const double written = median(writes);
    std::printf("Export to C: a script of %d statements (%.1f KB of text) read, planned, "
                "written as C\n(%.1f MB in two files) and saved safely, beside writing the same "
                "bytes to the same\nfiles through the same safe writer; median of %d runs each, "
                "in turn\n",
                statements, text.toUtf8().size() / 1024.0, sizeOf(generated.files) / 1e6, rounds);
    std::printf("  export:      %.3f s (target under %.1f s)\n", exported, secondsAllowed);
    std::printf("  write only:  %.3f s: the export is %.2f x\n", written, exported / written);
    std::printf("  for scale:   the code made in memory, nothing written, %.3f s, of which "
                "the parse %.3f s\n",
                median(generating), median(parsing));
    std::printf("               to Python %.3f s, to Arduino %.3f s (one run each)\n", others.at(0),
                others.at(1));
#ifdef VEXELCTL_PATH
    std::printf("               `vexelctl export` start to exit %.3f s (one run)\n",
                vexelctlSeconds(scriptPath, dir.filePath(QStringLiteral("cli"))));
#endif
    const bool met = exported < secondsAllowed;
    std::printf("  %s\n", met ? "targets met" : "TARGETS MISSED");
    return met ? 0 : 1;
}

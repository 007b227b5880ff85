#ifndef PROGRAMRUN_H
#define PROGRAMRUN_H

// Programs the tests build and run to the end: compilers, exported code in
// its harness, vexelctl.

#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>

struct ProgramRun
{
    int exitCode = -1;
    QString out;
    QString err;
    qint64 elapsedMs = 0;
};

// Waits for `process`, started when `clock` was; one that hangs is killed
// and says so in `err`.
inline ProgramRun finishedRun(QProcess &process, const QElapsedTimer &clock)
{
    ProgramRun run;
    if (!process.waitForFinished(90000) || process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        process.waitForFinished();
        run.err = QStringLiteral("did not finish: ") + process.readAllStandardError();
        return run;
    }
    run.elapsedMs = clock.elapsed();
    run.exitCode = process.exitCode();
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

inline ProgramRun runProgram(const QString &program, const QStringList &arguments)
{
    QElapsedTimer clock;
    clock.start();
    QProcess process;
    process.start(program, arguments);
    return finishedRun(process, clock);
}

// The compiler's arguments that build the harness of tests/hostcode
// (`harnessDir`) around the exported function `function` of the code in
// `codeDir`, C or Arduino, with every warning an error.
inline QStringList harnessBuildArguments(bool c, const QString &codeDir, const QString &harnessDir,
                                         const QString &function, const QString &binary)
{
    return {c ? QStringLiteral("-std=c99") : QStringLiteral("-std=gnu++11"),
            QStringLiteral("-Wall"),
            QStringLiteral("-Wextra"),
            QStringLiteral("-Werror"),
            QStringLiteral("-I") + codeDir,
            QStringLiteral("-I") + harnessDir,
            QStringLiteral("-I") + harnessDir + QStringLiteral("/arduino"),
            QStringLiteral("-DVEXEL_RUN=") + function,
            QStringLiteral("-o"),
            binary,
            harnessDir +
                (c ? QStringLiteral("/posixharness.c") : QStringLiteral("/arduinoharness.cpp")),
            codeDir +
                (c ? QStringLiteral("/vexel_scripts.c") : QStringLiteral("/vexel_scripts.cpp"))};
}

#endif // PROGRAMRUN_H

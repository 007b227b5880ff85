#include "cli/console.h"

#include <QDir>

#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace {

// A file name may hold a line break; the message must still be one line.
QString oneLine(QString text)
{
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    return text;
}

void put(std::FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
}

} // namespace

void printText(const QString &text, bool toError)
{
    put(toError ? stderr : stdout, text);
}

void printLine(const QString &text)
{
    put(stdout, text + QLatin1Char('\n'));
}

void printProblem(const QString &text)
{
    put(stderr, QStringLiteral("vexelctl: ") + oneLine(text) + QLatin1Char('\n'));
}

void printWarning(const QString &text)
{
    printProblem(QStringLiteral("warning: ") + text);
}

int usageError(const QString &command, const QString &problem)
{
    printProblem(QStringLiteral("%1: %2 (see vexelctl %1 --help)").arg(command, problem));
    return exitUsage;
}

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

ReaderNoiseMuted::ReaderNoiseMuted()
{
    std::fflush(stderr);
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (null < 0)
        return;
    savedError = ::dup(STDERR_FILENO);
    if (savedError >= 0)
        ::dup2(null, STDERR_FILENO);
    ::close(null);
}

ReaderNoiseMuted::~ReaderNoiseMuted()
{
    if (savedError < 0)
        return;
    std::fflush(stderr);
    ::dup2(savedError, STDERR_FILENO);
    ::close(savedError);
}

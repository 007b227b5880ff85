#include "script/stepresult.h"

namespace script {

namespace {

// vexelctl prints a line for each of a hundred thousand statements, so the
// line is built by hand into one buffer rather than from QString pieces.
void appendNumber(QByteArray &out, quint64 value)
{
    char digits[20];
    char *const end = digits + sizeof digits;
    char *first = end;
    do {
        *--first = char('0' + value % 10);
        value /= 10;
    } while (value > 0);
    out.append(first, int(end - first));
}

void appendHex(QByteArray &out, const QByteArray &bytes, int limit)
{
    static const char digits[] = "0123456789abcdef";
    const int shown = qMin(bytes.size(), limit);
    if (shown > 0) {
        const int start = out.size();
        out.resize(start + shown * 3 - 1);
        char *next = out.data() + start;
        for (int i = 0; i < shown; ++i) {
            if (i > 0)
                *next++ = ' ';
            const uchar byte = uchar(bytes.at(i));
            *next++ = digits[byte >> 4];
            *next++ = digits[byte & 0x0F];
        }
    }
    if (bytes.size() > limit) {
        out += " ... (";
        appendNumber(out, quint64(bytes.size()));
        out += " bytes)";
    }
}

void appendMilliseconds(QByteArray &out, qint64 nanoseconds)
{
    const quint64 tenths = quint64(qMax<qint64>(0, nanoseconds) + 50'000) / 100'000;
    appendNumber(out, tenths / 10);
    out += '.';
    appendNumber(out, tenths % 10);
    out += " ms";
}

// Statements are almost always ASCII: copied as they are, without a
// conversion that allocates.
void appendText(QByteArray &out, const QString &text)
{
    const int start = out.size();
    out.resize(start + text.size());
    char *next = out.data() + start;
    for (const QChar c : text) {
        if (c.unicode() >= 0x80) {
            out.resize(start);
            out += text.toUtf8();
            return;
        }
        *next++ = char(c.unicode());
    }
}

} // namespace

QString shortHex(const QByteArray &bytes, int limit)
{
    QByteArray text;
    appendHex(text, bytes, limit);
    return QString::fromLatin1(text);
}

QString millisecondsText(qint64 nanoseconds)
{
    QByteArray text;
    appendMilliseconds(text, nanoseconds);
    return QString::fromLatin1(text);
}

void appendOutputLine(QByteArray &out, const StepResult &result)
{
    appendNumber(out, quint64(qMax(0, result.pos.line)));
    out += "  ";
    appendText(out, result.source);
    if (!result.sent.isEmpty()) {
        out += "  -> ";
        appendHex(out, result.sent, hexShown);
    }
    if (result.fileBytes > 0) {
        out += " + ";
        appendNumber(out, quint64(result.fileBytes));
        out += " bytes";
    }
    if (!result.passed) {
        out += "  FAIL: ";
        appendText(out, result.failure);
        return;
    }
    out += "  ok  ";
    appendMilliseconds(out, result.elapsedNs);
}

QString outputLine(const StepResult &result)
{
    QByteArray line;
    appendOutputLine(line, result);
    return QString::fromUtf8(line);
}

} // namespace script

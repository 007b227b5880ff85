#include "firmware/consoledecoder.h"

namespace {

// Where an unfinished UTF-8 sequence starts at the end of `bytes`, or its
// size when it ends on a whole character (or on bytes no character starts
// with, which decode as replacement characters either way). Qt 6 has no
// stateful decoder that Qt 5 has too, so chunks are cut here instead.
int unfinishedSequenceStart(const QByteArray &bytes)
{
    const int size = int(bytes.size());
    for (int i = size - 1; i >= 0 && i >= size - 3; --i) {
        const auto byte = uchar(bytes.at(i));
        if ((byte & 0xC0) == 0x80)
            continue; // a continuation byte: look for its lead
        const int length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
        return size - i < length ? i : size;
    }
    return size;
}

} // namespace

void ConsoleDecoder::appendText(QVector<ConsoleOp> &ops, const QString &text)
{
    if (text.isEmpty())
        return;
    if (!ops.isEmpty() && ops.last().kind == ConsoleOp::Text)
        ops.last().text += text;
    else
        ops.append(ConsoleOp{ConsoleOp::Text, text});
}

QVector<ConsoleOp> ConsoleDecoder::feed(const QByteArray &chunk)
{
    const int zero = chunk.indexOf('\0');
    const QByteArray bytes = partial + (zero < 0 ? chunk : chunk.left(zero));
    const int whole = unfinishedSequenceStart(bytes);
    partial = bytes.mid(whole);
    const QString text = QString::fromUtf8(bytes.left(whole));

    QVector<ConsoleOp> ops;
    QString run;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (pendingReturn) {
            pendingReturn = false;
            if (c != QLatin1Char('\n')) {
                appendText(ops, run);
                run.clear();
                ops.append(ConsoleOp{ConsoleOp::ReturnToLineStart, {}});
            }
        }
        if (c == QLatin1Char('\r'))
            pendingReturn = true;
        else
            run += c;
    }
    appendText(ops, run);
    return ops;
}

QVector<ConsoleOp> ConsoleDecoder::flush()
{
    QVector<ConsoleOp> ops;
    if (pendingReturn)
        ops.append(ConsoleOp{ConsoleOp::ReturnToLineStart, {}});
    pendingReturn = false;
    return ops;
}

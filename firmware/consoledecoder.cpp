#include "firmware/consoledecoder.h"

#include <QTextCodec>

ConsoleDecoder::ConsoleDecoder()
    : decoder(QTextCodec::codecForName("UTF-8")->makeDecoder())
{
}

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
    const QString text = decoder->toUnicode(zero < 0 ? chunk : chunk.left(zero));

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

#ifndef CONSOLEDECODER_H
#define CONSOLEDECODER_H

#include <QByteArray>
#include <QString>
#include <QVector>

// One step of console output as the pane should apply it.
struct ConsoleOp
{
    enum Kind { Text, ReturnToLineStart };
    Kind kind = Text;
    QString text;

    bool operator==(const ConsoleOp &other) const
    {
        return kind == other.kind && text == other.text;
    }
};

// Turns a child process's output chunks into text and carriage returns.
// Each chunk is cut at its first zero byte and decoded as UTF-8 (a character
// split across chunks survives). "\r\n" is a line break; a lone "\r" returns
// to the start of the line, so progress bars redraw in place. A "\r" that
// ends a chunk waits for the next one to know which of the two it is.
class ConsoleDecoder
{
public:
    QVector<ConsoleOp> feed(const QByteArray &chunk);
    // Call when the output has ended.
    QVector<ConsoleOp> flush();

private:
    void appendText(QVector<ConsoleOp> &ops, const QString &text);

    // The start of a UTF-8 sequence that the last chunk cut off.
    QByteArray partial;
    bool pendingReturn = false;
};

#endif // CONSOLEDECODER_H

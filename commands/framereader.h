#ifndef COMMANDS_FRAMEREADER_H
#define COMMANDS_FRAMEREADER_H

#include "commands/commandset.h"

#include <QByteArray>
#include <QVector>

// Reading sent bytes back into the commands of the table: the other way
// round from the builders in frames.h, for the Traffic window and for
// scripts made from captures.

// Text from `pos` up to its closing zero, or to the end of the bytes while
// the zero is still to come.
struct TextRun
{
    QByteArray bytes;    // without the zero
    int end = 0;         // just past the zero, or the end of the bytes
    bool closed = false; // the zero was there
};

// One frame read from where it starts.
struct SentFrame
{
    enum class Cut
    {
        None,
        Head, // the bytes end inside the code's fixed arguments
        Text, // the text's zero is still to come
    };

    // The table's first command with the code: commands sharing a code send
    // the same frame. Null when no command has the code.
    const CommandSpec *command = nullptr;
    // The arguments before the text as they go on the wire (angles in turn
    // units); in a cut head, only those that are whole.
    QVector<quint32> values;
    QByteArray text; // as far as it goes, without its zero
    // Just past the frame, or the end of the bytes when it is cut short; for
    // a code of no command, just past the code.
    int end = 0;
    Cut cut = Cut::None;
};

// The frame starting at `pos` (inside `bytes`), its Y arguments a byte or a
// word as `extendedMode` says. Colours and counts are read low byte first,
// every other argument high byte first.
SentFrame readSentFrame(const QByteArray &bytes, int pos, bool extendedMode);

// The rest of a text whose frame began in earlier bytes.
TextRun readText(const QByteArray &bytes, int pos);

// Bytes of the code and every argument before the text.
int headLength(const CommandSpec &command, bool extendedMode);

#endif // COMMANDS_FRAMEREADER_H

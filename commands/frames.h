#ifndef FRAMES_H
#define FRAMES_H

#include "commands/commandset.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QString>
#include <QVector>

// Argument values in table order, before encoding (degrees for angles, the
// plain number for everything else). Text is passed separately.
using ArgValues = QVector<qint64>;

// Degrees to the module's turn units: a full circle is 0x4000.
constexpr qint64 turnUnits(qint64 degrees)
{
    return degrees * 2048 / 45;
}

// The colour key field holds 16-bit hex; anything else counts as 0.
quint16 parseColorKey(const QString &text);

// The writes that send one command, in order. A command without text is one
// write. A command with text is the head (code and any leading arguments),
// then the text in the local 8-bit encoding (left out when empty), then a
// single zero byte.
QByteArrayList commandWrites(Command id, const ArgValues &values, const QString &text = {},
                             bool extendedMode = false);
// The same with the text already in bytes, as a script gives it (its escapes
// may stand for any byte); the QString form sends text.toLocal8Bit() through it.
QByteArrayList commandWritesOfBytes(Command id, const ArgValues &values,
                                    const QByteArray &textBytes, bool extendedMode = false);
// Appends the same bytes, joined, to `out`: a long run of script statements
// is gathered into one buffer without a list of small arrays per command.
void appendCommandBytes(QByteArray &out, Command id, const ArgValues &values,
                        const QByteArray &textBytes, bool extendedMode = false);

// The whole frame of a command without text.
QByteArray commandFrame(Command id, const ArgValues &values = {}, bool extendedMode = false);

// The line a command adds to the log pane after sending `frame`, or an empty
// string for commands that log nothing.
QString commandLogLine(Command id, const QByteArray &frame);

#endif // FRAMES_H

#ifndef SCRIPT_STATEMENTTEXT_H
#define SCRIPT_STATEMENTTEXT_H

#include "commands/frames.h"

#include <QByteArray>
#include <QString>

#include <optional>

// Script lines written from values and bytes, each reading back to exactly
// the bytes it was written from.
namespace script {

// "text" with \" \\ \n \r \t, and \xHH for every other byte outside
// printable ASCII, so that no locale changes what it stands for.
QString quotedText(const QByteArray &bytes);

// #rrggbb where rgb565() of that colour gives the word back, else 0xNNNN.
QString colorText(quint16 word);

// The whole degrees, 0 to largestDegrees, that turnUnits() makes `units` of.
std::optional<qint64> degreesOfTurnUnits(quint32 units);

// One command statement. Each value is taken as the bytes its field sends
// (a Y as a byte unless `extendedMode`), so what the line sends is what
// commandWritesOfBytes() sends for the same values. A frame no command
// statement can send comes out as a `send` line of its bytes: an SD_FILE_WRITE
// head (a script names the local file instead of the size), an angle that
// is no whole number of degrees, an empty SD name.
QString statementText(Command id, const ArgValues &values, const QByteArray &text,
                      bool extendedMode = false);

// `send 84 00 f8`: the bytes as they are, in hex.
QString sendText(const QByteArray &bytes);

// `expect 3f 01`: the same for bytes to wait for; `bytes` must not be empty.
QString expectText(const QByteArray &bytes);

} // namespace script

#endif // SCRIPT_STATEMENTTEXT_H

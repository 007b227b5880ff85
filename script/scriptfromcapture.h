#ifndef SCRIPT_SCRIPTFROMCAPTURE_H
#define SCRIPT_SCRIPTFROMCAPTURE_H

#include "traffic/trafficrecord.h"

#include <QString>
#include <QVector>

namespace script {

// Bytes of file data or of no command go into `send` lines of at most this many.
constexpr int sendLineBytes = 32;

// A script that sends what the records sent, in the same order, and expects
// what they received. Sent bytes are read as frames of the command table,
// each a statement, with the mode followed through the mode commands and
// texts followed to their zero across records; what reads as no whole frame
// goes out as `send` lines, file data behind an SD_FILE_WRITE head too.
// Consecutive received chunks become one `expect` of their bytes, placed
// where they arrived, or just after the frame that was being sent then.
// The two commands sharing code 0xFD read as getSerial: the byte is the same.
// `origin` names the capture in the comment at the top.
QString scriptFromRecords(const QVector<TrafficRecord> &records, const QString &origin = QString());

} // namespace script

#endif // SCRIPT_SCRIPTFROMCAPTURE_H

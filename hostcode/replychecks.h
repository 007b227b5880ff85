#ifndef HOSTCODE_REPLYCHECKS_H
#define HOSTCODE_REPLYCHECKS_H

#include "hostcode/plan.h"

#include <optional>

namespace hostcode {

// The check a host program makes for a named reply. `armed` is the command
// whose answer the bench's reader would read the reply against: the last
// one before it that arms the reader, unless an expectation since has read
// that answer (none: nothing armed). Each check reads the reply's whole
// shape as the reader knows it:
//
// - pong: the one byte '8';
// - touch X Y: six bytes, the touch marker, X and Y as touchPoint() reads them;
// - sd OK / FAILED after SD_FILE_OPEN: the status marker and its byte;
// - sd N after SD_FILE_GET_SIZE, SD_FILE_TELL, SD_SPACE_INFO: the value
//   marker and N in 32 bits, low byte first;
// - sd YES / No after SD_INSERTED: the one byte of either answer;
// - sd HEX after SD_FILE_CREATE, serial HEX after the 0xFD code: those bytes;
// - version TEXT after GETVERSION, listing TEXT after SD_FILE_LIST: the
//   text's UTF-8 bytes and the zero the module ends it with.
//
// Returns nothing with `why` set when the reader could not read such a reply
// there, so the expectation could never be met.
std::optional<Check> replyCheck(const script::ReplyExpectation &expected,
                                std::optional<Command> armed, QString &why);

} // namespace hostcode

#endif // HOSTCODE_REPLYCHECKS_H

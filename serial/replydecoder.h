#ifndef SERIAL_REPLYDECODER_H
#define SERIAL_REPLYDECODER_H

// The reply reader lives in commands/, beside the command table it reads
// replies against; this name stays only until the window includes that one.
#include "commands/replydecoder.h"

#endif // SERIAL_REPLYDECODER_H

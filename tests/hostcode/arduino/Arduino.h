// As much of the Arduino core as the exported Arduino code uses: Stream,
// millis(), delay(), yield(), PROGMEM and memcpy_P, on a POSIX serial line,
// so that the code is compiled as a sketch would be and can also run
// against the simulator.
#ifndef ARDUINO_H
#define ARDUINO_H

#include "posixline.h"

#include <stddef.h>
#include <stdint.h>
#include <string.h>

// Flash and RAM are one here, as on the ARM and ESP cores.
#define PROGMEM
#define memcpy_P memcpy

inline unsigned long millis()
{
    return line_millis();
}

inline void delay(unsigned long ms)
{
    line_sleep_ms(uint32_t(ms));
}

// Waits a little for input rather than spinning a core.
inline void yield()
{
    line_ready(1);
}

class Print
{
public:
    virtual ~Print() = default;
    virtual size_t write(uint8_t byte) = 0;
    virtual size_t write(const uint8_t *buffer, size_t size) = 0;
    virtual void flush() {}
};

class Stream : public Print
{
public:
    virtual int available() = 0;
    virtual int read() = 0;
    virtual int peek() = 0;
};

#endif // ARDUINO_H

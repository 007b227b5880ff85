// Runs one exported Arduino function (VEXEL_RUN, set when compiling) on a
// Stream over the serial device named by the first argument, and prints
// what it returned.
#include "vexel_scripts.h"

#include <cstdio>

namespace {

class LineStream : public Stream
{
public:
    size_t write(uint8_t byte) override { return write(&byte, 1); }
    size_t write(const uint8_t *buffer, size_t size) override
    {
        line_write(buffer, size);
        return size;
    }
    void flush() override { line_drain(); }
    int available() override { return line_ready(0) ? 1 : 0; }
    int read() override
    {
        uint8_t byte = 0;
        return line_ready(0) && ::read(line_fd, &byte, 1) == 1 ? byte : -1;
    }
    int peek() override { return -1; }
};

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2 || !line_open(argv[1])) {
        std::fprintf(stderr, "usage: harness DEVICE (a device that opens)\n");
        return 2;
    }
    LineStream port;
    std::printf("%ld\n", VEXEL_RUN(port));
    return 0;
}

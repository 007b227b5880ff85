/* Runs one exported C function (VEXEL_RUN, set when compiling) on the
   serial device named by the first argument and prints what it returned. */
#define _DEFAULT_SOURCE
#include "posixline.h"
#include "vexel_scripts.h"

#include <stdio.h>

void vexel_write(const uint8_t *bytes, size_t len)
{
    line_write(bytes, len);
    line_drain();
}

size_t vexel_read(uint8_t *buf, size_t len, uint32_t timeout_ms)
{
    return line_read(buf, len, timeout_ms);
}

void vexel_delay_ms(uint32_t ms)
{
    line_sleep_ms(ms);
}

int main(int argc, char **argv)
{
    if (argc != 2 || !line_open(argv[1])) {
        fprintf(stderr, "usage: harness DEVICE (a device that opens)\n");
        return 2;
    }
    printf("%ld\n", VEXEL_RUN());
    return 0;
}

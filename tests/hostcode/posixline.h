/* The module's line for the harnesses that run exported code: a serial
   device (the simulator's pseudo-terminal) opened raw, read with a deadline,
   written whole. Plain C, for the C harness and the Arduino stub alike. */
#ifndef POSIXLINE_H
#define POSIXLINE_H

#include <fcntl.h>
#include <poll.h>
#include <stddef.h>
#include <stdint.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

static int line_fd = -1; /* one line a harness */

static inline uint32_t line_millis(void)
{
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (uint32_t)(now.tv_sec * 1000 + now.tv_nsec / 1000000);
}

static inline void line_sleep_ms(uint32_t ms)
{
    struct timespec pause;
    pause.tv_sec = ms / 1000;
    pause.tv_nsec = (long)(ms % 1000) * 1000000L;
    while (nanosleep(&pause, &pause) != 0) {
    }
}

/* 115200 8N1, no flow control, as the bench opens a port. */
static inline int line_open(const char *path)
{
    struct termios settings;
    line_fd = open(path, O_RDWR | O_NOCTTY);
    if (line_fd < 0 || tcgetattr(line_fd, &settings) != 0)
        return 0;
    cfmakeraw(&settings);
    cfsetispeed(&settings, B115200);
    cfsetospeed(&settings, B115200);
    return tcsetattr(line_fd, TCSANOW, &settings) == 0;
}

/* Whether a byte can be read within `ms`. */
static inline int line_ready(int ms)
{
    struct pollfd watch;
    watch.fd = line_fd;
    watch.events = POLLIN;
    watch.revents = 0;
    return poll(&watch, 1, ms) > 0 && (watch.revents & POLLIN);
}

static inline size_t line_read(uint8_t *buf, size_t len, uint32_t timeout_ms)
{
    const uint32_t start = line_millis();
    size_t got = 0;
    while (got < len) {
        const uint32_t spent = line_millis() - start;
        if (spent >= timeout_ms || !line_ready((int)(timeout_ms - spent)))
            break;
        const ssize_t n = read(line_fd, buf + got, len - got);
        if (n <= 0)
            break;
        got += (size_t)n;
    }
    return got;
}

static inline void line_write(const uint8_t *bytes, size_t len)
{
    while (len > 0) {
        const ssize_t n = write(line_fd, bytes, len);
        if (n <= 0)
            return;
        bytes += n;
        len -= (size_t)n;
    }
}

/* Returns once what was written has left, as the bench lets the port
   drain before a wait or an expectation starts its clock. */
static inline void line_drain(void)
{
    tcdrain(line_fd);
}

#endif /* POSIXLINE_H */

/* Preloaded into the Wine server alone (scripts/virtual-display.sh) to give Wine the clock Windows
 * has. Windows' tick advances 64 times a second, in steps of 15.625 ms, and GetTickCount, the
 * times of messages and hook events, and SetTimer's wake-ups all follow it, while the performance
 * counter keeps its fine resolution. Wine takes the tick, message times and timer expiries from
 * its server's monotonic clock, and the performance counter from the client's own clock: rounding
 * the server's monotonic clock down to whole steps makes the first group step as on Windows and
 * leaves the second alone.
 *
 * A 64-bit server reads its clock through clock_gettime; a 32-bit one built with 64-bit time
 * (Debian's wineserver32) through __clock_gettime64. Both are answered here. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdint.h>
#include <time.h>

/* 1 s holds exactly 64 steps, so rounding the nanoseconds alone keeps the seconds whole. */
enum { kStepNs = 15625000 };

static int steppedClock(clockid_t id) {
  return id == CLOCK_MONOTONIC || id == CLOCK_MONOTONIC_RAW || id == CLOCK_MONOTONIC_COARSE ||
         id == CLOCK_BOOTTIME;
}

/* The real function of this name, its nanoseconds rounded down to whole steps on a clock the
 * tick follows. */
#define STEPPED_CLOCK(name, Timespec)                                          \
  int name(clockid_t id, Timespec* ts) {                                       \
    static int (*real)(clockid_t, Timespec*);                                  \
    if (!real) real = (int (*)(clockid_t, Timespec*))dlsym(RTLD_NEXT, #name);  \
    const int result = real(id, ts);                                           \
    if (result == 0 && steppedClock(id)) ts->tv_nsec -= ts->tv_nsec % kStepNs; \
    return result;                                                             \
  }

STEPPED_CLOCK(clock_gettime, struct timespec)

#if UINTPTR_MAX == 0xffffffffu
/* glibc's struct __timespec64 on i386: 64-bit seconds, 32-bit nanoseconds and padding. */
struct Timespec64 {
  int64_t tv_sec;
  int32_t tv_nsec;
  int32_t padding;
};

STEPPED_CLOCK(__clock_gettime64, struct Timespec64)
#endif

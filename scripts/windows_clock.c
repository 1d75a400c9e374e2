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

typedef int (*ClockGettime)(clockid_t, struct timespec*);

int clock_gettime(clockid_t id, struct timespec* ts) {
  static ClockGettime real;
  if (!real) real = (ClockGettime)dlsym(RTLD_NEXT, "clock_gettime");
  const int result = real(id, ts);
  if (result == 0 && steppedClock(id)) ts->tv_nsec -= ts->tv_nsec % kStepNs;
  return result;
}

#if UINTPTR_MAX == 0xffffffffu
/* glibc's struct __timespec64 on i386: 64-bit seconds, 32-bit nanoseconds and padding. */
struct Timespec64 {
  int64_t tv_sec;
  int32_t tv_nsec;
  int32_t padding;
};

typedef int (*ClockGettime64)(clockid_t, struct Timespec64*);

int __clock_gettime64(clockid_t id, struct Timespec64* ts) {
  static ClockGettime64 real;
  if (!real) real = (ClockGettime64)dlsym(RTLD_NEXT, "__clock_gettime64");
  const int result = real(id, ts);
  if (result == 0 && steppedClock(id)) ts->tv_nsec -= ts->tv_nsec % kStepNs;
  return result;
}
#endif

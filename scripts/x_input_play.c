/* Plays a timed sequence of pointer moves and button presses and releases through the X server's
 * XTEST extension, so that Wine takes them for the mouse's own input: not flagged injected, with
 * the raw input of its one mouse, as a real mouse's clicks reach a low-level hook on Windows.
 * SendInput cannot show that path: what it sends is always injected input.
 *
 * Usage: x-input-play DONE_FILE STEP...
 *   move X Y    the pointer to (X, Y) on the screen
 *   down B      button B pressed (1 left, 2 middle, 3 right)
 *   up B        button B released
 *   wait US     the next step US microseconds after the step before it
 * Each step goes out at its time counted from the start, not from the step before, so a long
 * sequence does not drift; a bounce's 2 to 6 ms gaps come out to a few tens of microseconds (a
 * shell tool that sleeps between commands adds each command's own time to every gap). When the
 * X server has taken every step, DONE_FILE gets "ok" (or what went wrong): a Windows program
 * that started this one under Wine has no handle it can wait on. */
#define _POSIX_C_SOURCE 200809L
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

static void later(struct timespec* at, long us) {
  at->tv_sec += us / 1000000;
  at->tv_nsec += (us % 1000000) * 1000;
  if (at->tv_nsec >= 1000000000) {
    at->tv_sec += 1;
    at->tv_nsec -= 1000000000;
  }
}

static int finish(const char* doneFile, const char* outcome) {
  FILE* done = fopen(doneFile, "w");
  if (done) {
    fputs(outcome, done);
    fclose(done);
  }
  return strcmp(outcome, "ok") == 0 ? 0 : 2;
}

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  Display* display = XOpenDisplay(NULL);
  int event, error, major, minor;
  if (!display) return finish(argv[1], "no X display");
  if (!XTestQueryExtension(display, &event, &error, &major, &minor)) {
    return finish(argv[1], "no XTEST extension");
  }
  struct timespec at;
  clock_gettime(CLOCK_MONOTONIC, &at);
  for (int i = 2; i < argc; ++i) {
    const char* step = argv[i];
    const int args = strcmp(step, "move") == 0 ? 2 : 1;
    if (i + args >= argc) return finish(argv[1], "a step without its numbers");
    if (strcmp(step, "wait") == 0) {
      later(&at, atol(argv[++i]));
      continue;
    }
    clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, NULL);
    if (strcmp(step, "move") == 0) {
      XTestFakeMotionEvent(display, -1, atoi(argv[i + 1]), atoi(argv[i + 2]), CurrentTime);
    } else if (strcmp(step, "down") == 0 || strcmp(step, "up") == 0) {
      XTestFakeButtonEvent(display, (unsigned)atoi(argv[i + 1]), step[0] == 'd', CurrentTime);
    } else {
      return finish(argv[1], "an unknown step");
    }
    i += args;
    XFlush(display);
  }
  XSync(display, False);
  XCloseDisplay(display);
  return finish(argv[1], "ok");
}

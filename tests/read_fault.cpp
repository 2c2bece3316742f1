// LD_PRELOAD shim for the CLI cases: once WORDHEX_READ_FAULT_AFTER bytes have
// been read from regular files, every further read() of one fails with EIO,
// as a failing disk would. Pipes and devices read normally. With
// WORDHEX_NOTE_SETLOCALE set, each setlocale() call says so on standard error.
#include <dlfcn.h>
#include <errno.h>
#include <locale.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

extern "C" ssize_t read(int fd, void *buffer, size_t size) {
  static long long left = getenv("WORDHEX_READ_FAULT_AFTER") ? atoll(getenv("WORDHEX_READ_FAULT_AFTER")) : -1;
  struct stat info;
  if (left < 0 || fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return syscall(SYS_read, fd, buffer, size);
  ssize_t got =
      left == 0 ? (errno = EIO, -1) : syscall(SYS_read, fd, buffer, size < (size_t)left ? size : (size_t)left);
  return left -= got > 0 ? got : 0, got;
}

extern "C" char *setlocale(int category, const char *locale) {
  typedef char *(*SetLocaleFn)(int, const char *);
  static SetLocaleFn next = (SetLocaleFn)dlsym(RTLD_NEXT, "setlocale");
  if (getenv("WORDHEX_NOTE_SETLOCALE") != nullptr && write(STDERR_FILENO, "setlocale\n", 10) < 0) abort();
  return next(category, locale);
}

// LD_PRELOAD shim for the fault tests: once WORDHEX_READ_FAULT_AFTER bytes
// have been read from regular files, every further read() of one fails with
// EIO, as a failing disk would. Other files, pipes and devices read normally.
#include <errno.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

extern "C" ssize_t read(int fd, void *buffer, size_t size) {
  static long long left = -2;  // -2: not looked up yet, -1: no fault
  if (left == -2) {
    const char *after = getenv("WORDHEX_READ_FAULT_AFTER");
    left = after != nullptr ? atoll(after) : -1;
  }
  struct stat info;
  if (left < 0 || fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return syscall(SYS_read, fd, buffer, size);
  if (left == 0) {
    errno = EIO;
    return -1;
  }
  if ((unsigned long long)size > (unsigned long long)left) size = (size_t)left;
  ssize_t got = syscall(SYS_read, fd, buffer, size);
  if (got > 0) left -= got;
  return got;
}

// Files, start-up and standard error on POSIX systems.
#include <errno.h>
#include <fcntl.h>
#include <langinfo.h>
#include <locale.h>
#include <signal.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/cp1251.h"
#include "platform/platform.h"

// Which bytes start a double-byte character and which may follow one, as
// glibc's charmaps have them; lead bytes as the Windows code pages have them.
struct ByteRanges {
  unsigned char lead[6], trail[6];
};
static const ByteRanges SHIFT_JIS = {{0x81, 0x9F, 0xE0, 0xFC}, {0x40, 0x7E, 0x80, 0xFC}};
static const ByteRanges GBK = {{0x81, 0xFE}, {0x40, 0x7E, 0x80, 0xFE}};
static const ByteRanges BIG5 = {{0x81, 0xFE}, {0x40, 0x7E, 0xA1, 0xFE}};
static const ByteRanges EUC = {{0xA1, 0xFE}, {0xA1, 0xFE}};
static const ByteRanges UHC = {{0x81, 0xFE}, {0x41, 0x5A, 0x61, 0x7A, 0x81, 0xFE}};

struct CodesetRanges {
  const char *name;
  const ByteRanges *ranges;
};
static const CodesetRanges DOUBLE_BYTE_SETS[] = {
    {"SHIFT_JIS", &SHIFT_JIS},
    {"SJIS", &SHIFT_JIS},
    {"CP932", &SHIFT_JIS},
    {"WINDOWS-31J", &SHIFT_JIS},
    {"GBK", &GBK},
    {"CP936", &GBK},
    {"GB2312", &EUC},
    {"BIG5", &BIG5},
    {"BIG5-HKSCS", &BIG5},
    {"CP950", &BIG5},
    {"EUC-KR", &EUC},
    {"CP949", &UHC},
    {"UHC", &UHC},
};

void ByteRangesForCodeset(const char *codeset, unsigned char leadRanges[PLATFORM_LEAD_BYTE_RANGES],
                          unsigned char trailRanges[PLATFORM_TRAIL_BYTE_RANGES]) {
  memset(leadRanges, 0, PLATFORM_LEAD_BYTE_RANGES);
  memset(trailRanges, 0, PLATFORM_TRAIL_BYTE_RANGES);
  for (const CodesetRanges &set : DOUBLE_BYTE_SETS) {
    if (codeset != nullptr && strcasecmp(codeset, set.name) == 0) {
      memcpy(leadRanges, set.ranges->lead, sizeof set.ranges->lead);
      memcpy(trailRanges, set.ranges->trail, sizeof set.ranges->trail);
      return;
    }
  }
}

// The locale's character set is code page 1251: texts go out as stored.
static bool TextsAsStored;

void PlatformStartup(unsigned char leadRanges[PLATFORM_LEAD_BYTE_RANGES],
                     unsigned char trailRanges[PLATFORM_TRAIL_BYTE_RANGES]) {
  setlocale(LC_CTYPE, "");
  const char *codeset = nl_langinfo(CODESET);
  ByteRangesForCodeset(codeset, leadRanges, trailRanges);
  TextsAsStored =
      codeset != nullptr && (strcasecmp(codeset, "CP1251") == 0 || strcasecmp(codeset, "WINDOWS-1251") == 0);
  // A full disk, a file size limit or a closed pipe must come back as a
  // failed write that the run reports and cleans up after.
  signal(SIGXFSZ, SIG_IGN);
  signal(SIGPIPE, SIG_IGN);
}

// Files open for reading, so that none of them is ever opened for writing:
// the stand-in for opening without sharing.
enum { MAX_READERS = 8 };
struct Reader {
  int fd;
  dev_t device;
  ino_t inode;
};
static Reader Readers[MAX_READERS];
static int ReaderCount;

static void RememberReader(int fd) {
  struct stat info;
  if (ReaderCount < MAX_READERS && fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
    Readers[ReaderCount++] = Reader{fd, info.st_dev, info.st_ino};
  }
}

static bool IsBeingRead(const struct stat &info) {
  for (int i = 0; i < ReaderCount; i++) {
    if (Readers[i].device == info.st_dev && Readers[i].inode == info.st_ino) return true;
  }
  return false;
}

bool PlatformOpenForReading(const char *path, PlatformFile *file) {
  int fd;
  do fd = open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY);
  while (fd < 0 && errno == EINTR);
  if (fd < 0) return false;
  // Not a directory, and not the file our standard output writes to: read
  // while being appended to, it would never end.
  struct stat info, output;
  if (fstat(fd, &info) != 0 || S_ISDIR(info.st_mode) ||
      (S_ISREG(info.st_mode) && fstat(STDOUT_FILENO, &output) == 0 && output.st_dev == info.st_dev &&
       output.st_ino == info.st_ino)) {
    close(fd);
    return false;
  }
  RememberReader(fd);
  *file = fd;
  return true;
}

bool PlatformCreateForWriting(const char *path, PlatformFile *file) {
  // Not O_TRUNC: the file is emptied only once it is known to be no input.
  // An empty one is left as it is: truncating it too makes ext4 start writing
  // the whole output back on close (its guard for files replaced that way),
  // which costs a new file several milliseconds per 64 MiB.
  int fd;
  do fd = open(path, O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY, 0666);
  while (fd < 0 && errno == EINTR);
  if (fd < 0) return false;
  struct stat info;
  if (fstat(fd, &info) != 0 || IsBeingRead(info) ||
      (S_ISREG(info.st_mode) && info.st_size > 0 && ftruncate(fd, 0) != 0)) {
    close(fd);
    return false;
  }
  *file = fd;
  return true;
}

PlatformFile PlatformStandardInput(void) {
  RememberReader(STDIN_FILENO);
  return STDIN_FILENO;
}

PlatformFile PlatformStandardOutput(void) { return STDOUT_FILENO; }

bool PlatformRead(PlatformFile file, void *buffer, unsigned long size, unsigned long *delivered) {
  ssize_t got;
  do got = read((int)file, buffer, size);
  while (got < 0 && errno == EINTR);
  *delivered = got > 0 ? (unsigned long)got : 0;
  return got >= 0;
}

bool PlatformWrite(PlatformFile file, const void *data, unsigned long size, unsigned long *written) {
  ssize_t put;
  do put = write((int)file, data, size);
  while (put < 0 && errno == EINTR);
  *written = put > 0 ? (unsigned long)put : 0;
  return put >= 0;
}

bool PlatformIsRegularFile(PlatformFile file) {
  struct stat info;
  return fstat((int)file, &info) == 0 && S_ISREG(info.st_mode);
}

void PlatformClose(PlatformFile file) {
  for (int i = 0; i < ReaderCount; i++) {
    if (Readers[i].fd == (int)file) Readers[i] = Readers[--ReaderCount];
  }
  if (file > STDERR_FILENO) close((int)file);
}

void PlatformDeleteFile(const char *path) { unlink(path); }

PlatformFile PlatformStandardError(void) { return STDERR_FILENO; }

static bool WriteAll(int fd, const char *text, size_t length) {
  while (length > 0) {
    ssize_t put = write(fd, text, length);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    text += put;
    length -= (size_t)put;
  }
  return true;
}

bool PlatformWriteText(PlatformFile stream, const char *text, bool cp1251) {
  if (!cp1251 || TextsAsStored) return WriteAll((int)stream, text, strlen(text));
  char utf8[1024];
  while (*text != '\0') {
    size_t length = Cp1251ToUtf8(text, utf8, sizeof utf8, &text);
    if (!WriteAll((int)stream, utf8, length)) return false;
  }
  return true;
}

// Files, start-up and standard error on POSIX systems.
#include <errno.h>
#include <fcntl.h>
#include <langinfo.h>
#include <locale.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
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

static PlatformError LastError;

// Any of descriptors 0, 1 and 2 that is closed is opened on /dev/null, so
// that no file this run opens ever becomes a standard stream.
static void OpenStandardStreams(void) {
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; fd++) {
    if (fcntl(fd, F_GETFD) < 0 && errno == EBADF) open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
  }
}

// The locale's character set is code page 1251: texts go out as stored.
static bool TextsAsStored;
// The user's locale is in use, for the system's words in its language.
static bool LocaleLoaded;

// The system's reasons in the user's language only when the texts are in
// it: a line never speaks two languages.
static bool ReasonsLocalized;

static void LoadLocale(void) {
  setlocale(LC_CTYPE, "");
  if (ReasonsLocalized) setlocale(LC_MESSAGES, "");
  LocaleLoaded = true;
}

// True when the environment names the C locale or a UTF-8 one for the
// character set, which is then known without loading the locale: its tables
// stay mapped and would be a tenth of what a run keeps in memory. A UTF-8
// locale that is not installed leaves glibc in the C locale, whose texts go
// out in UTF-8 too, and neither has lead bytes.
static bool CharsetKnownFromName(void) {
  static const char *const VARIABLES[] = {"LC_ALL", "LC_CTYPE", "LANG"};
  const char *name = nullptr;
  for (const char *variable : VARIABLES) {
    name = getenv(variable);
    if (name != nullptr && name[0] != '\0') break;
  }
  if (name == nullptr || name[0] == '\0' || strcmp(name, "C") == 0 || strcmp(name, "POSIX") == 0) return true;
  const char *dot = strchr(name, '.');
  if (dot == nullptr) return false;  // the language's own default, which may be anything
  size_t length = strcspn(dot + 1, "@");
  return (length == 5 && strncasecmp(dot + 1, "UTF-8", 5) == 0) ||
         (length == 4 && strncasecmp(dot + 1, "utf8", 4) == 0);
}

void PlatformStartup(unsigned char leadRanges[PLATFORM_LEAD_BYTE_RANGES],
                     unsigned char trailRanges[PLATFORM_TRAIL_BYTE_RANGES]) {
  OpenStandardStreams();
  if (!CharsetKnownFromName()) LoadLocale();
  const char *codeset = LocaleLoaded ? nl_langinfo(CODESET) : "UTF-8";
  ByteRangesForCodeset(codeset, leadRanges, trailRanges);
  TextsAsStored = codeset != nullptr && strcasecmp(codeset, "CP1251") == 0;  // glibc's name for it
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
  for (int i = 0; i < ReaderCount; i++) {
    if (Readers[i].fd == fd) return;  // standard input, asked for again
  }
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

static bool Fail(PlatformError error) {
  LastError = error;
  return false;
}

PlatformError PlatformLastError(void) { return LastError; }

void PlatformUseLanguage(const char *language) {
  ReasonsLocalized = strcmp(language, "en") != 0;
  if (ReasonsLocalized && LocaleLoaded) setlocale(LC_MESSAGES, "");
}

void PlatformErrorText(PlatformError error, char *text, unsigned long size) {
  if (size == 0) return;
  text[0] = '\0';
  if (error == PLATFORM_ERROR_NAME_TOO_LONG) error = ENAMETOOLONG;
  if (error > 0) {
    if (!LocaleLoaded) LoadLocale();
    strncpy(text, strerror((int)error), size - 1);
    text[size - 1] = '\0';
  }
}

void PlatformLanguage(char *tag, unsigned long size) {
  static const char *const VARIABLES[] = {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"};
  if (size == 0) return;
  tag[0] = '\0';
  for (const char *variable : VARIABLES) {
    const char *value = getenv(variable);
    size_t length = value != nullptr ? strcspn(value, ":") : 0;  // LANGUAGE's first entry
    if (length == 0) continue;
    if (length >= size) length = size - 1;
    memcpy(tag, value, length);
    tag[length] = '\0';
    return;
  }
}

bool PlatformIsBrokenPipe(PlatformError error) { return error == EPIPE; }

static bool IsStandardOutput(const struct stat &info) {
  struct stat output;
  return S_ISREG(info.st_mode) && fstat(STDOUT_FILENO, &output) == 0 && output.st_dev == info.st_dev &&
         output.st_ino == info.st_ino;
}

// No signal handler of ours returns (SIGPIPE and SIGXFSZ are ignored, the
// interrupts end the process), so no request here is ever interrupted.
bool PlatformOpenForReading(const char *path, PlatformFile *file) {
  int fd = open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return Fail(errno);
  // Not a directory, and not the file our standard output writes to: read
  // while being appended to, it would never end.
  struct stat info;
  PlatformError error = fstat(fd, &info) != 0    ? errno
                        : S_ISDIR(info.st_mode)  ? EISDIR
                        : IsStandardOutput(info) ? PLATFORM_ERROR_IS_INPUT
                                                 : 0;
  if (error != 0) {
    close(fd);
    return Fail(error);
  }
  RememberReader(fd);
  *file = fd;
  return true;
}

PlatformFile PlatformStandardInput(void) {
  RememberReader(STDIN_FILENO);
  return STDIN_FILENO;
}

PlatformFile PlatformStandardOutput(void) { return STDOUT_FILENO; }

bool PlatformRead(PlatformFile file, void *buffer, unsigned long size, unsigned long *delivered) {
  ssize_t got = read((int)file, buffer, size);
  *delivered = got > 0 ? (unsigned long)got : 0;
  return got >= 0 || Fail(errno);
}

bool PlatformWrite(PlatformFile file, const void *data, unsigned long size, unsigned long *written) {
  ssize_t put = write((int)file, data, size);
  *written = put > 0 ? (unsigned long)put : 0;
  return put >= 0 || Fail(errno);
}

bool PlatformWriteAt(PlatformFile file, unsigned long long offset, const void *data, unsigned long size,
                     unsigned long *written) {
  ssize_t put = pwrite((int)file, data, size, (off_t)offset);
  *written = put > 0 ? (unsigned long)put : 0;
  return put >= 0 || Fail(errno);
}

void PlatformClose(PlatformFile file) {
  for (int i = 0; i < ReaderCount; i++) {
    if (Readers[i].fd == (int)file) Readers[i] = Readers[--ReaderCount];
  }
  if (file > STDERR_FILENO) close((int)file);
}

// ---- Outputs

static PlatformOutput *volatile Writing;  // the output being written, for the interrupt handler
static char InterruptLine[256];
static size_t InterruptLength;

static void OnInterrupt(int signal) {
  PlatformOutput *output = Writing;
  if (output != nullptr && output->temporary[0] != '\0') unlink(output->temporary);
  // Written in place, it is emptied first, as a failure there leaves it,
  // for where it cannot be removed.
  if (output != nullptr && output->inPlace) {
    if (ftruncate((int)output->file, 0) != 0) {
      // Nothing more to be done with it.
    }
    unlink(output->path);
  }
  if (InterruptLength > 0 && write(STDERR_FILENO, InterruptLine, InterruptLength) < 0) {
    // Nothing more to say, and nowhere to say it.
  }
  _exit(128 + signal);
}

void PlatformCatchInterrupts(const char *line) {
  InterruptLength = 0;
  if (line != nullptr && TextsAsStored) {
    strncpy(InterruptLine, line, sizeof InterruptLine - 1);
    InterruptLength = strlen(InterruptLine);
  } else if (line != nullptr) {
    InterruptLength = Cp1251ToUtf8(line, InterruptLine, sizeof InterruptLine);
  }
  struct sigaction action;
  memset(&action, 0, sizeof action);
  action.sa_handler = OnInterrupt;
  sigfillset(&action.sa_mask);
  // One that whoever started us ignores (nohup, a background job) stays ignored.
  static const int SIGNALS[] = {SIGINT, SIGTERM, SIGHUP};
  for (int signal : SIGNALS) {
    struct sigaction before;
    if (sigaction(signal, nullptr, &before) == 0 && before.sa_handler != SIG_IGN) sigaction(signal, &action, nullptr);
  }
}

// Writes `text` then `number` in decimal at `at`, which has room for both;
// returns the end. Plain, so that a run never needs printf's machinery.
static char *PutNumber(char *at, const char *text, unsigned long number) {
  at = stpcpy(at, text);
  char digits[24];
  int count = 0;
  do {
    digits[count++] = (char)('0' + number % 10);
    number /= 10;
  } while (number != 0);
  while (count > 0) *at++ = digits[--count];
  *at = '\0';
  return at;
}

// The descriptor of ours that `name` stands for: /dev/stdout, /dev/fd/N,
// /proc/self/fd/N and the like; -1 for any other name.
static int DescriptorNamed(const char *name) {
  static const char *const STANDARD[] = {"/dev/stdin", "/dev/stdout", "/dev/stderr"};
  for (int fd = 0; fd < 3; fd++) {
    if (strcmp(name, STANDARD[fd]) == 0) return fd;
  }
  char own[48];
  strcpy(PutNumber(own, "/proc/", (unsigned long)getpid()), "/fd/");
  const char *const prefixes[] = {"/dev/fd/", "/proc/self/fd/", "/proc/thread-self/fd/", own};
  for (const char *prefix : prefixes) {
    size_t length = strlen(prefix);
    if (strncmp(name, prefix, length) != 0 || name[length] == '\0') continue;
    char *end;
    long fd = strtol(name + length, &end, 10);
    // Digits only: strtol would also take "+1" or " 1", which name no descriptor.
    if (*end == '\0' && name[length] >= '0' && name[length] <= '9' && fd <= INT_MAX) return (int)fd;
  }
  return -1;
}

// Follows `path` through its links: the descriptor of ours that one of them
// names, or -1. Such an output is written through that descriptor, never
// opened anew, so it keeps its position and mode, and can be a socket.
static int OwnDescriptor(const char *path) {
  static char hop[PATH_MAX], target[PATH_MAX];
  if (strlen(path) >= sizeof hop) return -1;
  strcpy(hop, path);
  for (int links = 0; links < 40; links++) {
    int fd = DescriptorNamed(hop);
    if (fd >= 0) return fd;
    ssize_t length = readlink(hop, target, sizeof target - 1);
    if (length < 0) return -1;
    target[length] = '\0';
    // A relative target is relative to the link's directory.
    const char *slash = target[0] == '/' ? nullptr : strrchr(hop, '/');
    size_t keep = slash != nullptr ? (size_t)(slash - hop) + 1 : 0;
    if (keep + (size_t)length >= sizeof hop) return -1;
    memcpy(hop + keep, target, (size_t)length + 1);
  }
  return -1;
}

static bool OpenStream(int fd, PlatformOutput *output) {
  struct stat info;
  PlatformError error = fstat(fd, &info) != 0 ? errno : IsBeingRead(info) ? PLATFORM_ERROR_IS_INPUT : 0;
  if (error != 0) {
    close(fd);
    return Fail(error);
  }
  output->file = fd;
  output->kind = PLATFORM_OUTPUT_STREAM;
  Writing = output;
  return true;
}

// A file output written under its own name, the only way left where no
// temporary can be made beside it (`denied`, the reason): a directory that we
// may not write, holding a file that we may. Not through a link, and not a
// file with other names: both would change another file, and are refused
// for `denied`; any other failure is told by its own reason, which is the
// file's.
static bool WriteInPlace(const char *path, PlatformOutput *output, PlatformError denied) {
  struct stat info;
  int fd = open(path, O_WRONLY | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return Fail(errno == ELOOP ? denied : errno);
  PlatformError error = fstat(fd, &info) != 0                         ? errno
                        : !S_ISREG(info.st_mode) || info.st_nlink > 1 ? denied
                        : ftruncate(fd, 0) != 0                       ? errno
                                                                      : 0;
  if (error != 0) {
    close(fd);
    return Fail(error);
  }
  output->file = fd;
  output->inPlace = true;
  Writing = output;
  return true;
}

// True when a file we do not own stands in a sticky directory we do not own
// either (/tmp, say): only its owner may replace it there, so a rename over
// it would fail after the whole conversion, though writing it would not.
static bool OthersInSticky(const struct stat &file, const char *directory) {
  struct stat folder;
  uid_t us = geteuid();
  return us != 0 && file.st_uid != us && stat(directory, &folder) == 0 && (folder.st_mode & S_ISVTX) != 0 &&
         folder.st_uid != us;
}

// The length of the directory part of `path`, up to its last '/'.
static size_t DirectoryLength(const char *path) {
  const char *slash = strrchr(path, '/');
  return slash != nullptr ? (size_t)(slash - path) + 1 : 0;
}

// Gives the unnamed file `fd` the name `name`; false with errno set.
static bool LinkUnnamed(int fd, const char *name) {
  char self[48];
  PutNumber(self, "/proc/self/fd/", (unsigned long)fd);
  return linkat(AT_FDCWD, self, AT_FDCWD, name, AT_SYMLINK_FOLLOW) == 0;
}

// Gives the output a named temporary beside it, ".wordhex-PID-N" with the
// first N free: a new file when `fd` is -1, else a name for the unnamed file
// `fd`. Returns the file, or -1 with errno set.
static int NameTemporary(PlatformOutput *output, int fd) {
  size_t keep = DirectoryLength(output->path);
  memcpy(output->temporary, output->path, keep);  // shorter than a path: the caller checked
  for (int attempt = 0; attempt < 100; attempt++) {
    size_t room = PLATFORM_PATH_SIZE - keep;
    char name[64];
    PutNumber(PutNumber(name, ".wordhex-", (unsigned long)getpid()), "-", (unsigned long)attempt);
    if (strlen(name) >= room) {
      errno = ENAMETOOLONG;
      break;
    }
    strcpy(output->temporary + keep, name);
    int made = fd < 0 ? open(output->temporary, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666)
               : LinkUnnamed(fd, output->temporary) ? fd
                                                    : -1;
    if (made >= 0) return made;
    if (errno != EEXIST) break;
  }
  output->temporary[0] = '\0';
  return -1;
}

bool PlatformCreateOutput(const char *path, bool, PlatformOutput *output) {
  memset(output, 0, sizeof *output);
  output->path = path;
  output->file = PLATFORM_NO_FILE;
  output->kind = PLATFORM_OUTPUT_FILE;
  int own = OwnDescriptor(path);
  if (own >= 0) {
    int fd = fcntl(own, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    return fd >= 0 ? OpenStream(fd, output) : Fail(errno);
  }
  struct stat info;
  bool absent = stat(path, &info) != 0;
  if (absent && errno != ENOENT) return Fail(errno);
  if (!absent && !S_ISREG(info.st_mode)) {
    int fd = open(path, O_WRONLY | O_CLOEXEC | O_NOCTTY);
    return fd >= 0 ? OpenStream(fd, output) : Fail(errno);
  }
  if (!absent && IsBeingRead(info)) return Fail(PLATFORM_ERROR_IS_INPUT);

  // Unnamed where the file system can, so that nothing is left to clean up
  // whatever stops us; named through /proc once it is done.
  size_t keep = DirectoryLength(path);
  if (keep >= PLATFORM_PATH_SIZE) return Fail(ENAMETOOLONG);
  char directory[PLATFORM_PATH_SIZE];
  memcpy(directory, path, keep);
  directory[keep] = '\0';
  if (!absent && OthersInSticky(info, keep > 0 ? directory : ".")) return WriteInPlace(path, output, EPERM);
  Writing = output;  // from the moment a named temporary exists
  int fd = access("/proc/self/fd", X_OK) != 0
               ? -1
               : open(keep > 0 ? directory : ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
  if (fd < 0) fd = NameTemporary(output, -1);
  if (fd < 0) {
    PlatformError error = errno;
    Writing = nullptr;
    // A directory that holds no new name of ours: one we may not write, or
    // one whose file system makes none (/proc).
    bool unwritable = error == EACCES || error == EPERM || error == EROFS || error == ENOENT;
    return unwritable && !absent ? WriteInPlace(path, output, error) : Fail(error);  // in place needs a file there
  }
  output->file = fd;
  return true;
}

bool PlatformStandardOutputStream(PlatformOutput *output) {
  memset(output, 0, sizeof *output);
  output->path = "-";
  int fd = fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
  return fd >= 0 ? OpenStream(fd, output) : Fail(errno);
}

bool PlatformFinishOutput(PlatformOutput *output, bool *written) {
  int fd = (int)output->file;
  // A file system may report a failed write only when the file is closed:
  // a copy is closed first, so that an unnamed file can still be named.
  int copy = dup(fd);
  PlatformError error = copy < 0 || close(copy) != 0 ? errno : 0;
  *written = error == 0;
  // Unnamed, it goes straight onto a free name, so that not even SIGKILL can
  // leave a temporary behind; over an existing file, through one.
  if (error == 0 && output->kind == PLATFORM_OUTPUT_FILE && !output->inPlace && output->temporary[0] == '\0' &&
      !LinkUnnamed(fd, output->path) && (errno != EEXIST || NameTemporary(output, fd) < 0)) {
    error = errno;
  }
  if (error == 0 && output->temporary[0] != '\0' && rename(output->temporary, output->path) != 0) error = errno;
  if (error != 0 && output->temporary[0] != '\0') unlink(output->temporary);
  close(fd);
  Writing = nullptr;
  return error == 0 || Fail(error);
}

void PlatformAbandonOutput(PlatformOutput *output) {
  if (output->inPlace && ftruncate((int)output->file, 0) != 0) {
    // It may be where we cannot remove it; left empty, it would hold no part
    // of a failed run. PlatformRemoveOutput removes it where it can.
  }
  close((int)output->file);
  if (output->temporary[0] != '\0') unlink(output->temporary);
  Writing = nullptr;
}

void PlatformRemoveOutput(const PlatformOutput *output) {
  if (output->kind == PLATFORM_OUTPUT_FILE) unlink(output->path);
}

static void IdentityOf(const struct stat &info, PlatformFileId *id) {
  id->device = (unsigned long long)info.st_dev;
  id->number = (unsigned long long)info.st_ino;
}

bool PlatformIdentifyFile(const char *path, PlatformFileId *id) {
  struct stat info;
  if (stat(path[0] != '\0' ? path : ".", &info) != 0) return false;
  IdentityOf(info, id);
  return true;
}

bool PlatformIdentifyStream(PlatformFile file, PlatformFileId *id) {
  struct stat info;
  if (fstat((int)file, &info) != 0 || !S_ISREG(info.st_mode)) return false;
  IdentityOf(info, id);
  return true;
}

bool PlatformIsDirectory(const char *path) {
  struct stat info;
  if (stat(path, &info) != 0) return Fail(errno);
  return S_ISDIR(info.st_mode) || Fail(ENOTDIR);
}

bool PlatformIsTerminal(PlatformFile file) { return isatty((int)file) == 1; }

PlatformFile PlatformStandardError(void) { return STDERR_FILENO; }

static bool WriteAll(int fd, const char *text, size_t length) {
  while (length > 0) {
    ssize_t put = write(fd, text, length);
    if (put <= 0) return false;
    text += put;
    length -= (size_t)put;
  }
  return true;
}

bool PlatformWriteText(PlatformFile stream, const char *text, PlatformTextKind kind) {
  if (kind != PLATFORM_TEXT_CP1251 || TextsAsStored) return WriteAll((int)stream, text, strlen(text));
  char utf8[1024];
  while (*text != '\0') {
    size_t length = Cp1251ToUtf8(text, utf8, sizeof utf8, &text);
    if (!WriteAll((int)stream, utf8, length)) return false;
  }
  return true;
}

// Everything the front ends ask of the operating system. The Windows build
// makes the Win32 calls themselves; the Linux build stands in with POSIX
// files and GTK dialogs.
#ifndef WORDHEX_PLATFORM_PLATFORM_H
#define WORDHEX_PLATFORM_PLATFORM_H

#include <stddef.h>
#include <stdint.h>

#ifdef _WIN32
enum {
  PLATFORM_PATH_SIZE = 260,       // MAX_PATH
  PLATFORM_DIRECTORY_SIZE = 256,  // one component
};
#else
#include <limits.h>
enum {
  PLATFORM_PATH_SIZE = PATH_MAX,
  PLATFORM_DIRECTORY_SIZE = PATH_MAX,
};
#endif
enum {
  PLATFORM_COMPONENT_SIZE = 256,   // base name, extension
  PLATFORM_LEAD_BYTE_RANGES = 12,  // pairs of first and last lead byte, ended by a zero pair
  PLATFORM_TRAIL_BYTE_RANGES = 8,  // the same for the bytes that may follow a lead byte
};

// A file handle: a Win32 HANDLE or a POSIX descriptor.
typedef intptr_t PlatformFile;
#define PLATFORM_NO_FILE ((PlatformFile)-1)

// Once at start-up: reads the code page's lead bytes into `leadRanges` and
// the bytes that may follow one into `trailRanges`. Windows gives no trail
// ranges: there a lead byte takes whatever byte follows it. On POSIX it also
// picks the character set of the texts written, and makes a full disk or a
// closed pipe a failed write instead of a signal.
void PlatformStartup(unsigned char leadRanges[PLATFORM_LEAD_BYTE_RANGES],
                     unsigned char trailRanges[PLATFORM_TRAIL_BYTE_RANGES]);

// Opens an existing file for reading, shared with nobody.
bool PlatformOpenForReading(const char *path, PlatformFile *file);
// Creates a file for writing, or empties an existing one; never a file that
// is open for reading, which stays untouched.
bool PlatformCreateForWriting(const char *path, PlatformFile *file);
PlatformFile PlatformStandardInput(void);
PlatformFile PlatformStandardOutput(void);
// Synchronous requests. A read delivers 0 bytes at the end of the file.
bool PlatformRead(PlatformFile file, void *buffer, unsigned long size, unsigned long *delivered);
bool PlatformWrite(PlatformFile file, const void *data, unsigned long size, unsigned long *written);
// True for a file on disk (which a failed run removes), false for a device,
// a pipe or a FIFO.
bool PlatformIsRegularFile(PlatformFile file);
// Closing a standard stream does nothing: they belong to whoever started us.
void PlatformClose(PlatformFile file);
void PlatformDeleteFile(const char *path);

// The open-file dialog for "*.hex". Fills `path`; false when cancelled.
bool PlatformChooseInputFile(char *path, unsigned long size);
// A modal error box; `text` is code page 1251 text except `name`, a file
// name in the platform's own encoding, shown between `text` and `tail`.
void PlatformShowError(const char *text, const char *name, const char *tail);

PlatformFile PlatformStandardError(void);
// Writes text to a console stream: code page 1251 text, or text in the
// platform's own encoding (paths), each shown in the console's; on POSIX
// the locale's character set: code page 1251 as it stands under a CP1251
// locale, else UTF-8. False when a write failed.
bool PlatformWriteText(PlatformFile stream, const char *text, bool cp1251);

#ifndef _WIN32
// The lead-byte and trail-byte ranges of a character set as
// nl_langinfo(CODESET) names it: Shift_JIS, GBK and Big5 as code pages 932,
// 936 and 950, GB2312 as EUC-CN, EUC-KR and UHC as the Korean sets; none for
// UTF-8 and single-byte sets.
void ByteRangesForCodeset(const char *codeset, unsigned char leadRanges[PLATFORM_LEAD_BYTE_RANGES],
                          unsigned char trailRanges[PLATFORM_TRAIL_BYTE_RANGES]);
#endif

#endif

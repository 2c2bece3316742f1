// Everything the front ends ask of the operating system. The Windows build
// makes the Win32 calls themselves; the Linux build stands in with POSIX
// files and GTK dialogs.
#ifndef WORDHEX_PLATFORM_PLATFORM_H
#define WORDHEX_PLATFORM_PLATFORM_H

#include <stddef.h>
#include <stdint.h>

#ifdef _WIN32
#define PLATFORM_SEPARATOR "\\"  // between a directory and a name
enum {
  PLATFORM_PATH_SIZE = 260,       // MAX_PATH
  PLATFORM_DIRECTORY_SIZE = 256,  // one component
  PLATFORM_PATH_DRIVES = 1,       // "C:" starts a path
};
#else
#include <limits.h>
#define PLATFORM_SEPARATOR "/"
enum {
  PLATFORM_PATH_SIZE = PATH_MAX,
  PLATFORM_DIRECTORY_SIZE = PATH_MAX,
  PLATFORM_PATH_DRIVES = 0,  // a ':' is part of a name
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

// Why a request failed: errno, or GetLastError() on Windows; or one of ours.
typedef long PlatformError;
enum {
  PLATFORM_ERROR_IS_INPUT = -1,       // the output is a file that this run reads
  PLATFORM_ERROR_NAME_TOO_LONG = -2,  // a path longer than the platform takes
};
// The reason for the last failed request.
PlatformError PlatformLastError(void);
// The system's words for `error`, in the language that PlatformUseLanguage
// chose, as text to write as PLATFORM_TEXT_REASON; empty when it has none.
void PlatformErrorText(PlatformError error, char *text, unsigned long size);

// The user's language, as a tag for CatalogueFor: on POSIX the first set of
// LANGUAGE (its first entry), LC_ALL, LC_MESSAGES and LANG, with no locale
// installed or loaded, "C" and "POSIX" among them; on Windows the user
// interface's language ("ru" for Russian, else "en"). Empty for none.
void PlatformLanguage(char *tag, unsigned long size);
// The system's reasons come in `language` (an ISO 639-1 code) where the
// system has them in it, else in English.
void PlatformUseLanguage(const char *language);
// A reader that went away: the end of the run, not a failure to report.
bool PlatformIsBrokenPipe(PlatformError error);

// Opens an existing file for reading, shared with nobody; never a directory,
// nor the file that standard output appends to.
bool PlatformOpenForReading(const char *path, PlatformFile *file);
PlatformFile PlatformStandardInput(void);
PlatformFile PlatformStandardOutput(void);
// Synchronous requests. A read delivers 0 bytes at the end of the file.
bool PlatformRead(PlatformFile file, void *buffer, unsigned long size, unsigned long *delivered);
bool PlatformWrite(PlatformFile file, const void *data, unsigned long size, unsigned long *written);
// Writes at `offset` of a file opened as a file output, leaving where the
// next PlatformWrite goes as it was.
bool PlatformWriteAt(PlatformFile file, unsigned long long offset, const void *data, unsigned long size,
                     unsigned long *written);
// Closing a standard stream does nothing: they belong to whoever started us.
void PlatformClose(PlatformFile file);

// Where a run writes. The name is looked at once, following links: absent or
// a regular file makes a file output, written to a temporary beside it and
// put in place whole by PlatformFinishOutput; anything else (a device, a
// FIFO, a socket, a terminal, standard output) is a stream, written in place
// and never replaced or removed.
enum { PLATFORM_OUTPUT_STREAM, PLATFORM_OUTPUT_FILE };
struct PlatformOutput {
  PlatformFile file;
  unsigned char kind;
  bool inPlace;                        // a file output written under its own name
  const char *path;                    // the caller's, for as long as the output lives
  char temporary[PLATFORM_PATH_SIZE];  // a named temporary while one exists, else empty
};
// Opens `path` as an output. `inPlace` asks the Windows build to create and
// write a file output under its own name, as its interactive program always
// has; elsewhere a file is written in place only where no temporary can be
// made beside it. Never a file that this run reads (PLATFORM_ERROR_IS_INPUT).
bool PlatformCreateOutput(const char *path, bool inPlace, PlatformOutput *output);
// Standard output as a stream output; fails when it is the file that
// standard input reads.
bool PlatformStandardOutputStream(PlatformOutput *output);
// Closes the output and, for a file, puts it in place; false when that failed
// (the temporary is then gone), with *written false when a write or the close
// failed, true when the whole output could not take its name.
bool PlatformFinishOutput(PlatformOutput *output, bool *written);
// Closes the output of a failed run; a temporary goes, nothing is put in place.
void PlatformAbandonOutput(PlatformOutput *output);
// Removes what stands under a file output's name: an earlier output, or this
// one written in place. Only the name: a link goes, never what it points to.
void PlatformRemoveOutput(const PlatformOutput *output);
// What tells a file apart, through links and its other names: its device
// and its number there (volume serial number and file index on Windows).
struct PlatformFileId {
  unsigned long long device, number;
};
// The file or directory at `path`, following links ("" is the current
// directory); false when there is none, or it cannot be looked at.
bool PlatformIdentifyFile(const char *path, PlatformFileId *id);
// The regular file behind the open `file`; false for anything else (a
// terminal, a pipe, a device).
bool PlatformIdentifyStream(PlatformFile file, PlatformFileId *id);
// True when `path` names a directory (through links); false with the
// reason (PlatformLastError) otherwise.
bool PlatformIsDirectory(const char *path);
// True when `file` is a terminal (a console on Windows).
bool PlatformIsTerminal(PlatformFile file);
// From now on SIGINT, SIGTERM and SIGHUP (on Windows Ctrl-C, Ctrl-Break and
// closing the console) remove the temporary of the output being written,
// print `line` (code page 1251, may be null) and end the process with
// 128 + the signal's number.
void PlatformCatchInterrupts(const char *line);

// The open-file dialog for "*.hex". Fills `path`; false when cancelled.
bool PlatformChooseInputFile(char *path, unsigned long size);
// A modal error box; `text` is code page 1251 text except `name`, a file
// name in the platform's own encoding, shown between `text` and `tail`.
void PlatformShowError(const char *text, const char *name, const char *tail);

PlatformFile PlatformStandardError(void);
// What a text to write is: code page 1251 text (the catalogues'; ASCII is
// the same in it), text in the platform's own encoding (paths), or the
// system's reasons as PlatformErrorText gives them.
enum PlatformTextKind { PLATFORM_TEXT_CP1251, PLATFORM_TEXT_NATIVE, PLATFORM_TEXT_REASON };
// Writes text to a console stream. On Windows a console shows it as it is,
// whatever its code page, and a file or a pipe gets UTF-8; on POSIX it is in
// the locale's character set: code page 1251 as it stands under a CP1251
// locale, else UTF-8. False when a write failed.
bool PlatformWriteText(PlatformFile stream, const char *text, PlatformTextKind kind);

#ifndef _WIN32
// The lead-byte and trail-byte ranges of a character set as
// nl_langinfo(CODESET) names it: Shift_JIS, GBK and Big5 as code pages 932,
// 936 and 950, GB2312 as EUC-CN, EUC-KR and UHC as the Korean sets; none for
// UTF-8 and single-byte sets.
void ByteRangesForCodeset(const char *codeset, unsigned char leadRanges[PLATFORM_LEAD_BYTE_RANGES],
                          unsigned char trailRanges[PLATFORM_TRAIL_BYTE_RANGES]);
#endif

#endif

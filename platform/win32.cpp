// Files, the open-file dialog and the error box on Windows: the Win32 calls
// themselves, in their ANSI forms; the console's texts and the system's
// reasons pass through UTF-16.
#include <windows.h>
// After windows.h, which it needs.
#include <commdlg.h>
#include <stddef.h>
#include <string.h>

#include "convert/texts.h"
#include "platform/platform.h"

#ifndef _WIN64
// OPENFILENAME_SIZE_VERSION_400A: up to and including lpTemplateName.
static_assert(offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR) == 76, "the 32-bit request without extension");
#endif
static_assert(MAX_LEADBYTES == PLATFORM_LEAD_BYTE_RANGES, "CPINFO.LeadByte is copied as it stands");

// The code page that the catalogues' texts are stored in.
static const UINT TEXT_CODE_PAGE = 1251;

// Room for the longest text, the longest name and the tail; names in the
// messages are at most a base name and an extension (or the suffix).
enum { MESSAGE_SIZE = 1024, CAPTION_SIZE = 32 };
static_assert(MESSAGE_SIZE >= 15 + 255 + 255 + 1 + 1, "the not-found text fits");

static HANDLE AsHandle(PlatformFile file) { return (HANDLE)file; }

void PlatformStartup(unsigned char leadRanges[PLATFORM_LEAD_BYTE_RANGES],
                     unsigned char trailRanges[PLATFORM_TRAIL_BYTE_RANGES]) {
  static bool read;
  static unsigned char leadBytes[PLATFORM_LEAD_BYTE_RANGES];
  if (!read) {
    CPINFO info;
    if (GetCPInfo(GetACP(), &info)) memcpy(leadBytes, info.LeadByte, sizeof leadBytes);
    read = true;
  }
  memcpy(leadRanges, leadBytes, sizeof leadBytes);
  // None: as in CharNextA, a lead byte takes whatever byte follows it.
  memset(trailRanges, 0, PLATFORM_TRAIL_BYTE_RANGES);
}

static PlatformError LastError;

static bool Fail(DWORD error) {
  LastError = (PlatformError)error;
  return false;
}

PlatformError PlatformLastError(void) { return LastError; }

// The system's words for `error` in `language` (0: the user's), as one line
// of UTF-8, which spells every language whatever the ANSI code page; false
// when the system has none in it, or they do not fit.
static bool ErrorTextIn(DWORD error, DWORD language, char *text, unsigned long size) {
  // With no room for a byte, WideCharToMultiByte would only count them.
  if (size < 2) return false;
  WCHAR wide[256];
  // At the widest: the line breaks of the message's text become spaces.
  DWORD length =
      FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK, NULL,
                     error, language, wide, sizeof wide / sizeof wide[0], NULL);
  // One line even where a message breaks one on purpose (%n), without the
  // closing full stop and the space that its line end became.
  for (DWORD i = 0; i < length; i++) {
    if (wide[i] == L'\r' || wide[i] == L'\n') wide[i] = L' ';
  }
  while (length > 0 && (wide[length - 1] == L' ' || wide[length - 1] == L'.')) length--;
  if (length == 0) return false;
  int bytes = WideCharToMultiByte(CP_UTF8, 0, wide, (int)length, text, (int)size - 1, NULL, NULL);
  // Too long for `text`: none, rather than one cut short.
  text[bytes > 0 ? bytes : 0] = '\0';
  return bytes > 0;
}

static const LANGID ENGLISH_REASONS = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

// The language of the reasons: the texts'.
static LANGID ReasonLanguage = ENGLISH_REASONS;

void PlatformUseLanguage(const char *language) {
  ReasonLanguage = strcmp(language, "ru") == 0 ? MAKELANGID(LANG_RUSSIAN, SUBLANG_DEFAULT) : ENGLISH_REASONS;
}

void PlatformLanguage(char *tag, unsigned long size) {
  const char *language = PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_RUSSIAN ? "ru" : "en";
  if (size == 0) return;
  tag[0] = '\0';
  if (size > 2) strcpy(tag, language);
}

void PlatformErrorText(PlatformError error, char *text, unsigned long size) {
  if (size == 0) return;
  text[0] = '\0';
  if (error == PLATFORM_ERROR_NAME_TOO_LONG) error = ERROR_FILENAME_EXCED_RANGE;
  if (error <= 0) return;
  // In the texts' language where the system has it, else the user's own;
  // English, a byte a letter, where neither fits.
  if (!ErrorTextIn((DWORD)error, ReasonLanguage, text, size) && !ErrorTextIn((DWORD)error, 0, text, size)) {
    ErrorTextIn((DWORD)error, ENGLISH_REASONS, text, size);
  }
}

bool PlatformIsBrokenPipe(PlatformError error) { return error == ERROR_BROKEN_PIPE || error == ERROR_NO_DATA; }

bool PlatformOpenForReading(const char *path, PlatformFile *file) {
  HANDLE handle = CreateFileA(path, GENERIC_READ, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
  if (handle == INVALID_HANDLE_VALUE) return Fail(GetLastError());
  *file = (PlatformFile)handle;
  return true;
}

PlatformFile PlatformStandardInput(void) { return (PlatformFile)GetStdHandle(STD_INPUT_HANDLE); }

PlatformFile PlatformStandardOutput(void) { return (PlatformFile)GetStdHandle(STD_OUTPUT_HANDLE); }

PlatformFile PlatformStandardError(void) { return (PlatformFile)GetStdHandle(STD_ERROR_HANDLE); }

bool PlatformRead(PlatformFile file, void *buffer, unsigned long size, unsigned long *delivered) {
  DWORD got = 0;
  BOOL ok = ReadFile(AsHandle(file), buffer, size, &got, NULL);
  *delivered = got;
  // A pipe whose writer has gone is at its end, not broken.
  return ok || GetLastError() == ERROR_BROKEN_PIPE || Fail(GetLastError());
}

bool PlatformWrite(PlatformFile file, const void *data, unsigned long size, unsigned long *written) {
  DWORD put = 0;
  BOOL ok = WriteFile(AsHandle(file), data, size, &put, NULL);
  *written = put;
  return ok || Fail(GetLastError());
}

// An offset in an OVERLAPPED moves a synchronous handle's file pointer too:
// it is put back where the next write goes.
bool PlatformWriteAt(PlatformFile file, unsigned long long offset, const void *data, unsigned long size,
                     unsigned long *written) {
  LARGE_INTEGER zero = {}, end;
  OVERLAPPED at = {};
  at.Offset = (DWORD)offset;
  at.OffsetHigh = (DWORD)(offset >> 32);
  DWORD put = 0;
  bool ok = SetFilePointerEx(AsHandle(file), zero, &end, FILE_CURRENT) &&
            WriteFile(AsHandle(file), data, size, &put, &at) && SetFilePointerEx(AsHandle(file), end, NULL, FILE_BEGIN);
  *written = put;
  return ok || Fail(GetLastError());
}

void PlatformClose(PlatformFile file) {
  HANDLE handle = AsHandle(file);
  // The standard handles belong to whoever started us.
  if (handle == INVALID_HANDLE_VALUE || handle == NULL || handle == GetStdHandle(STD_INPUT_HANDLE) ||
      handle == GetStdHandle(STD_OUTPUT_HANDLE) || handle == GetStdHandle(STD_ERROR_HANDLE)) {
    return;
  }
  CloseHandle(handle);
}

// ---- Outputs

static PlatformOutput *volatile Writing;  // the output being written, for the console handler
static const char *InterruptLine;

static BOOL WINAPI OnConsoleEvent(DWORD event) {
  // As the POSIX signals: SIGINT, SIGBREAK and SIGHUP.
  int signal = event == CTRL_C_EVENT ? 2 : event == CTRL_BREAK_EVENT ? 21 : event == CTRL_CLOSE_EVENT ? 1 : 0;
  if (signal == 0) return FALSE;
  PlatformOutput *output = Writing;
  if (output != NULL && output->kind == PLATFORM_OUTPUT_FILE) {
    // Written in place, it is emptied first, for where it cannot be deleted.
    if (output->inPlace && SetFilePointer(AsHandle(output->file), 0, NULL, FILE_BEGIN) == 0) {
      SetEndOfFile(AsHandle(output->file));
    }
    CloseHandle(AsHandle(output->file));
    DeleteFileA(output->inPlace ? output->path : output->temporary);
  }
  if (InterruptLine != NULL) PlatformWriteText(PlatformStandardError(), InterruptLine, PLATFORM_TEXT_CP1251);
  ExitProcess(128 + signal);
}

void PlatformCatchInterrupts(const char *line) {
  InterruptLine = line;
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

static bool Opened(PlatformOutput *output, HANDLE handle, unsigned char kind) {
  output->file = (PlatformFile)handle;
  output->kind = kind;
  Writing = output;
  return true;
}

bool PlatformCreateOutput(const char *path, bool inPlace, PlatformOutput *output) {
  memset(output, 0, sizeof *output);
  output->path = path;
  output->file = (PlatformFile)INVALID_HANDLE_VALUE;
  if (inPlace) {
    HANDLE handle = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (handle == INVALID_HANDLE_VALUE) return Fail(GetLastError());
    output->inPlace = true;
    return Opened(output, handle,
                  GetFileType(handle) == FILE_TYPE_DISK ? PLATFORM_OUTPUT_FILE : PLATFORM_OUTPUT_STREAM);
  }
  // A device or a pipe is written as it is; a file is replaced whole. A file
  // open for reading without sharing (the input) refuses to open here.
  HANDLE existing = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, NULL);
  if (existing == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_NOT_FOUND) return Fail(GetLastError());
  if (existing != INVALID_HANDLE_VALUE && GetFileType(existing) != FILE_TYPE_DISK) {
    return Opened(output, existing, PLATFORM_OUTPUT_STREAM);
  }
  bool exists = existing != INVALID_HANDLE_VALUE;
  if (exists) CloseHandle(existing);

  char directory[PLATFORM_PATH_SIZE];
  size_t keep = 0;
  for (size_t i = 0; path[i] != '\0'; i++) {
    if (path[i] == '\\' || path[i] == '/' || path[i] == ':') keep = i + 1;
  }
  if (keep >= sizeof directory) return Fail(ERROR_FILENAME_EXCED_RANGE);
  memcpy(directory, path, keep);
  directory[keep] = '\0';
  if (GetTempFileNameA(keep > 0 ? directory : ".", "whx", 0, output->temporary) == 0) {
    DWORD error = GetLastError();
    output->temporary[0] = '\0';
    if (error != ERROR_ACCESS_DENIED || !exists) return Fail(error);
    // No temporary beside it: the file itself, as the only way left.
    HANDLE handle = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (handle == INVALID_HANDLE_VALUE) return Fail(GetLastError());
    output->inPlace = true;
    return Opened(output, handle, PLATFORM_OUTPUT_FILE);
  }
  HANDLE handle = CreateFileA(output->temporary, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
  if (handle == INVALID_HANDLE_VALUE) {
    DWORD error = GetLastError();
    DeleteFileA(output->temporary);
    return Fail(error);
  }
  return Opened(output, handle, PLATFORM_OUTPUT_FILE);
}

bool PlatformStandardOutputStream(PlatformOutput *output) {
  memset(output, 0, sizeof *output);
  output->path = "-";
  HANDLE in = GetStdHandle(STD_INPUT_HANDLE), out = GetStdHandle(STD_OUTPUT_HANDLE);
  BY_HANDLE_FILE_INFORMATION read, written;
  if (GetFileType(out) == FILE_TYPE_DISK && GetFileType(in) == FILE_TYPE_DISK &&
      GetFileInformationByHandle(in, &read) && GetFileInformationByHandle(out, &written) &&
      read.dwVolumeSerialNumber == written.dwVolumeSerialNumber && read.nFileIndexHigh == written.nFileIndexHigh &&
      read.nFileIndexLow == written.nFileIndexLow) {
    return Fail((DWORD)PLATFORM_ERROR_IS_INPUT);
  }
  return Opened(output, out, PLATFORM_OUTPUT_STREAM);
}

bool PlatformFinishOutput(PlatformOutput *output, bool *written) {
  Writing = NULL;
  // PlatformClose leaves standard output open, which a stream may be.
  bool done = true;
  if (output->kind == PLATFORM_OUTPUT_STREAM) {
    PlatformClose(output->file);
  } else if (!CloseHandle(AsHandle(output->file))) {
    done = Fail(GetLastError());
  }
  *written = done;
  if (done && output->temporary[0] != '\0' &&
      !MoveFileExA(output->temporary, output->path, MOVEFILE_REPLACE_EXISTING)) {
    done = Fail(GetLastError());
  }
  if (!done && output->temporary[0] != '\0') DeleteFileA(output->temporary);
  return done;
}

void PlatformAbandonOutput(PlatformOutput *output) {
  Writing = NULL;
  PlatformClose(output->file);
  if (output->temporary[0] != '\0') DeleteFileA(output->temporary);
}

void PlatformRemoveOutput(const PlatformOutput *output) {
  if (output->kind == PLATFORM_OUTPUT_FILE) DeleteFileA(output->path);
}

static void IdentityOf(const BY_HANDLE_FILE_INFORMATION &info, PlatformFileId *id) {
  id->device = info.dwVolumeSerialNumber;
  id->number = (unsigned long long)info.nFileIndexHigh << 32 | info.nFileIndexLow;
}

// Directories open only for backup semantics; asking for no access opens
// files that others hold without sharing, too.
bool PlatformIdentifyFile(const char *path, PlatformFileId *id) {
  HANDLE handle = CreateFileA(path[0] != '\0' ? path : ".", 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              NULL, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, NULL);
  if (handle == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info;
  BOOL known = GetFileInformationByHandle(handle, &info);
  CloseHandle(handle);
  if (known) IdentityOf(info, id);
  return known != 0;
}

bool PlatformIdentifyStream(PlatformFile file, PlatformFileId *id) {
  BY_HANDLE_FILE_INFORMATION info;
  if (GetFileType(AsHandle(file)) != FILE_TYPE_DISK || !GetFileInformationByHandle(AsHandle(file), &info)) return false;
  IdentityOf(info, id);
  return true;
}

bool PlatformIsDirectory(const char *path) {
  DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return Fail(GetLastError());
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 || Fail(ERROR_DIRECTORY);
}

bool PlatformIsTerminal(PlatformFile file) { return GetFileType(AsHandle(file)) == FILE_TYPE_CHAR; }

bool PlatformChooseInputFile(char *path, unsigned long size) {
  OPENFILENAMEA request;
  memset(&request, 0, sizeof request);
  request.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
  request.hwndOwner = NULL;
  request.lpstrFilter = "Intel HEX (*.hex)\0*.hex\0\0";
  request.lpstrFile = path;
  request.nMaxFile = size;  // PLATFORM_PATH_SIZE from the run
  request.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
  path[0] = '\0';
  return GetOpenFileNameA(&request) != 0;
}

// Appends NUL-terminated `text` to `target` (`size` bytes, terminated),
// dropping what does not fit.
static void AppendText(char *target, size_t size, const char *text) {
  size_t used = strlen(target);
  while (*text != '\0' && used + 1 < size) target[used++] = *text++;
  target[used] = '\0';
}

// Appends `text` in code page `codePage` to the wide `target` (`size`
// characters, terminated), converted; what does not fit is dropped.
static void AppendWide(WCHAR *target, int size, UINT codePage, const char *text) {
  int used = lstrlenW(target);
  int room = size - 1 - used;
  if (room <= 0 || *text == '\0') return;
  int length = MultiByteToWideChar(codePage, 0, text, -1, target + used, room + 1);
  if (length == 0) {
    // Too long for the room: convert as much as fits, one byte at a time.
    int count = 0;
    while (text[count] != '\0') count++;
    while (count > 0 && (length = MultiByteToWideChar(codePage, 0, text, count, target + used, room)) == 0) count--;
    target[used + length] = L'\0';
  }
}

void PlatformShowError(const char *text, const char *name, const char *tail) {
  if (GetACP() == TEXT_CODE_PAGE) {
    // The ANSI box shows code page 1251 text as it stands.
    static char message[MESSAGE_SIZE];
    message[0] = '\0';
    AppendText(message, sizeof message, text);
    AppendText(message, sizeof message, name);
    AppendText(message, sizeof message, tail);
    MessageBoxA(NULL, message, Text(TEXT_CAPTION), MB_ICONERROR);
    return;
  }
  // Any other ANSI code page would show the Russian as garbage: convert.
  static WCHAR message[MESSAGE_SIZE];
  static WCHAR caption[CAPTION_SIZE];
  message[0] = L'\0';
  caption[0] = L'\0';
  AppendWide(message, MESSAGE_SIZE, TEXT_CODE_PAGE, text);
  AppendWide(message, MESSAGE_SIZE, CP_ACP, name);
  AppendWide(message, MESSAGE_SIZE, TEXT_CODE_PAGE, tail);
  AppendWide(caption, CAPTION_SIZE, TEXT_CODE_PAGE, Text(TEXT_CAPTION));
  MessageBoxW(NULL, message, caption, MB_ICONERROR);
}

// Writes `wide` (`length` UTF-16 units of whole characters) to `stream`: a
// console takes them as they are, and shows them whatever its code page; a
// file or a pipe (where WriteConsoleW would fail) gets UTF-8, the same bytes
// under every setting.
static bool WriteWide(HANDLE stream, const WCHAR *wide, int length) {
  DWORD mode;
  if (GetConsoleMode(stream, &mode)) {
    while (length > 0) {
      DWORD put = 0;
      if (!WriteConsoleW(stream, wide, (DWORD)length, &put, NULL) || put == 0) return false;
      wide += put;
      length -= (int)put;
    }
    return true;
  }
  // At most three bytes per UTF-16 unit: a pair of them makes four.
  char bytes[3 * 128];
  int size = WideCharToMultiByte(CP_UTF8, 0, wide, length, bytes, sizeof bytes, NULL, NULL);
  const char *next = bytes;
  while (size > 0) {
    DWORD put = 0;
    if (!WriteFile(stream, next, (DWORD)size, &put, NULL) || put == 0) return false;
    next += put;
    size -= (int)put;
  }
  return true;
}

// The bytes of the character at `text` in `codePage`: a double-byte
// character of an ANSI code page, or a UTF-8 sequence, is never split
// between two pieces.
static int CharacterWidth(const char *text, UINT codePage) {
  BYTE lead = (BYTE)text[0];
  int width = codePage == CP_UTF8                                              ? (lead >= 0xF0   ? 4
                                                                                  : lead >= 0xE0 ? 3
                                                                                  : lead >= 0xC0 ? 2
                                                                                                 : 1)
              : codePage != TEXT_CODE_PAGE && IsDBCSLeadByteEx(codePage, lead) ? 2
                                                                               : 1;
  for (int i = 1; i < width; i++) {
    if (text[i] == '\0') return i;
  }
  return width;
}

bool PlatformWriteText(PlatformFile stream, const char *text, PlatformTextKind kind) {
  UINT codePage = kind == PLATFORM_TEXT_CP1251 ? TEXT_CODE_PAGE : kind == PLATFORM_TEXT_REASON ? CP_UTF8 : GetACP();
  WCHAR wide[128];
  while (*text != '\0') {
    int length = 0;
    while (text[length] != '\0' && length < (int)(sizeof wide / sizeof wide[0]) - 1) {
      int width = CharacterWidth(text + length, codePage);
      if (length + width > (int)(sizeof wide / sizeof wide[0]) - 1) break;
      length += width;
    }
    int count = MultiByteToWideChar(codePage, 0, text, length, wide, sizeof wide / sizeof wide[0]);
    if (!WriteWide(AsHandle(stream), wide, count)) return false;
    text += length;
  }
  return true;
}

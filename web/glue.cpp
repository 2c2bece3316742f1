// The page's only C++: between the worker's JavaScript (web/worker.js) and the
// converter. The input comes in and the output goes out through functions
// that the worker provides; the outcome is worded as wordhex-cli words it,
// less the program's name, in UTF-8.
#include <emscripten.h>
#include <string.h>

#include "convert/address.h"
#include "convert/messages.h"
#include "frontend/naming.h"
#include "frontend/quote.h"
#include "platform/cp1251.h"

// The worker's side: a read delivers up to `size` bytes and returns how many
// (0 at the end), or -1 when it failed; a write keeps all `size` bytes and
// returns 1, or 0 when it could not. After a failure WebReason gives the
// browser's reason.
EM_JS(int, WebRead, (unsigned char *buffer, size_t size), { return Module.webRead(buffer, size); });
EM_JS(int, WebWrite, (const unsigned char *data, size_t size), { return Module.webWrite(data, size); });
EM_JS(void, WebReason, (char *text, size_t size), { stringToUTF8(Module.webReason, text, size); });

// The page's values of `mode`, in its order.
enum { WEB_MODES = 3 };
static const ConvertMode MODES[WEB_MODES] = {CONVERT_MODE_HALVE, CONVERT_MODE_FULL_ADDRESS, CONVERT_MODE_TO_BYTES};

static HexInput Input;
static HexOutput Output;

// What the last conversion left for the worker.
static char Message[16 * PLATFORM_PATH_SIZE];  // UTF-8; empty when there is nothing to say
static size_t MessageLength;
static char OutputName[PLATFORM_PATH_SIZE];
static double Records;

static void Say(const char *text) {
  size_t length = strlen(text);
  if (length > sizeof Message - 1 - MessageLength) length = sizeof Message - 1 - MessageLength;
  memcpy(Message + MessageLength, text, length);
  MessageLength += length;
  Message[MessageLength] = '\0';
}

static void SayRussian(const char *cp1251) {
  MessageLength += Cp1251ToUtf8(cp1251, Message + MessageLength, sizeof Message - MessageLength);
}

// Writes `value` in decimal, terminated, into `digits` (24 bytes); returns its start.
static const char *Decimal(unsigned long long value, char digits[24]) {
  char *p = digits + 23;
  *p = '\0';
  do *--p = (char)('0' + value % 10);
  while ((value /= 10) != 0);
  return p;
}

static void SayNumber(unsigned long long value) {
  char digits[24];
  Say(Decimal(value, digits));
}

// A name as wordhex-cli shows it: quoted when it holds control characters.
static void SayName(const char *name) {
  static char quoted[10 * PLATFORM_PATH_SIZE];
  QuoteName(name, quoted, sizeof quoted);
  Say(quoted);
}

static void SayReason(void) {
  static char reason[1024];
  WebReason(reason, sizeof reason);
  if (reason[0] == '\0') return;
  Say(" (");
  Say(reason);
  Say(")");
}

// "NAME: TEXT NAME! (reason)", as wordhex-cli's failures with a file: the
// names are the browser's, which have no directory.
static void SayFailure(const char *name, const char *text) {
  SayName(name);
  Say(": ");
  SayRussian(text);
  SayName(name);
  SayRussian(TEXT_NAME_END);
  SayReason();
}

struct Faults {
  bool read;
  bool write;
};

static bool ReadFromPage(void *handle, unsigned char *buffer, size_t size, size_t *delivered) {
  int got = WebRead(buffer, size);
  *delivered = got > 0 ? (size_t)got : 0;
  if (got >= 0) return true;
  static_cast<Faults *>(handle)->read = true;
  return false;
}

static bool WriteToPage(void *handle, const unsigned char *data, size_t size) {
  if (WebWrite(data, size) == 1) return true;
  static_cast<Faults *>(handle)->write = true;
  return false;
}

// The options the converter takes today; the others are refused by name.
// Until the word widths, byte swapping and fill bytes reach the converter the
// page offers them and says so.
static bool Supported(int wordBits, int swap, const char *fill) {
  if (wordBits != 16) {
    Say("--word-bits=");
    SayNumber((unsigned)wordBits);
    Say(": not in this build yet");
  } else if (swap != 0) {
    Say("--swap-bytes: not in this build yet");
  } else if (fill[0] != '\0') {
    Say("--fill: not in this build yet");
  }
  return MessageLength == 0;
}

extern "C" {

// Converts the worker's input, the browser's file `name`, as wordhex-cli does
// with the page's options: `mode` 0 to 2 (halve, full, bytes), `wordBits`,
// `swap` (0 or 1) and `fill` (as typed; empty for none). Returns 1 when it
// converted; WebOutputName, WebMessage and WebRecords tell the rest.
EMSCRIPTEN_KEEPALIVE int WebConvert(const char *name, int mode, int wordBits, int swap, const char *fill) {
  Message[0] = '\0';
  MessageLength = 0;
  OutputName[0] = '\0';
  Records = 0;
  if (mode < 0 || mode >= WEB_MODES) {
    Say("no such mode");
    return 0;
  }
  if (!Supported(wordBits, swap, fill)) return 0;

  // wordhex-cli's names: "_I16.hex", "_I<N>.hex" for other widths, "_I8.hex" back to bytes.
  char suffix[40] = "_I", digits[24];
  strcat(suffix, Decimal(MODES[mode] == CONVERT_MODE_TO_BYTES ? 8 : (unsigned)wordBits, digits));
  strcat(suffix, ".hex");
  static char drive[DRIVE_SIZE], directory[PLATFORM_DIRECTORY_SIZE];
  static char baseName[PLATFORM_COMPONENT_SIZE], extension[PLATFORM_COMPONENT_SIZE];
  if (!MakeOutputPathWithSuffix(name, suffix, drive, directory, baseName, extension, OutputName)) {
    // Too long a name: as wordhex-cli says it.
    SayName(baseName);
    Say(suffix);
    Say(": ");
    SayRussian(TEXT_CANNOT_CREATE);
    SayName(baseName);
    Say(suffix);
    SayRussian(TEXT_NAME_END);
    Say(" (File name too long)");
    return 0;
  }

  Faults faults = {false, false};
  OpenInputStream(&Input, ReadFromPage, &faults);
  OpenOutputStream(&Output, WriteToPage, &faults);
  HandOnWholeBuffers(&Output);  // a Blob: nobody reads it before it is whole
  ConversionStatus status = ConvertHexFileInMode(&Input, &Output, MODES[mode]);
  bool written = FlushOutput(&Output);
  if (status == CONV_END_RECORD && written) {
    Records = (double)Input.stopLine;  // every line up to the end-of-file record is one
    if (Input.upperBits) {
      SayName(name);
      Say(": warning: type 02/04 records give addresses above 64 KiB; their upper address bits were left as they "
          "are (see --full-address)");
    }
    return 1;
  }
  if (status == CONV_END_RECORD) {
    SayFailure(OutputName, TEXT_WRITE_FAILED);
  } else if (faults.read) {
    SayFailure(name, TEXT_READ_FAILED);
  } else {
    SayName(name);
    Say(":");
    SayNumber(Input.stopLine);
    Say(":");
    SayNumber(Input.stopColumn);
    Say(": ");
    SayRussian(status == CONV_BAD_CHECKSUM ? TEXT_BAD_CHECKSUM
               : status == CONV_MISALIGNED ? TEXT_MISALIGNED
                                           : TEXT_DAMAGED);
  }
  return 0;
}

EMSCRIPTEN_KEEPALIVE const char *WebOutputName(void) { return OutputName; }
EMSCRIPTEN_KEEPALIVE const char *WebMessage(void) { return Message; }
EMSCRIPTEN_KEEPALIVE double WebRecords(void) { return Records; }
}

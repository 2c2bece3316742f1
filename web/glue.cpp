// The page's only C++: between the worker's JavaScript (web/worker.js) and the
// converter. The input comes in and the output goes out through functions
// that the worker provides; the outcome is worded as wordhex-cli words it,
// less the program's name, in UTF-8.
#include <emscripten.h>
#include <string.h>

#include "convert/convert.h"
#include "convert/messages.h"
#include "convert/outcome.h"
#include "frontend/naming.h"
#include "frontend/options.h"
#include "frontend/quote.h"
#include "platform/cp1251.h"

// The worker's side: a read delivers up to `size` bytes and gives how many
// (0 at the end), or -1 when it failed, to its callback: at once when it has
// them, or later, when the conversion waits for the browser without holding
// up the worker (Asyncify, for the functions on the read's path only); a
// write keeps all `size` bytes and returns 1, or 0 when it could not. After a
// failure WebReason gives the browser's reason.
EM_JS(int, WebRead, (unsigned char *buffer, size_t size),
      { return Asyncify.handleSleep(function(wakeUp) { Module.webRead(buffer, size, wakeUp); }); });
EM_JS(int, WebWrite, (const unsigned char *data, size_t size), { return Module.webWrite(data, size); });
EM_JS(void, WebReason, (char *text, size_t size), { stringToUTF8(Module.webReason, text, size); });

// The page's values of `mode`, in its order: halve, full, bytes.
enum { WEB_MODES = 3 };

static HexInput Input;
static HexOutput Output;
static ConvertReport Report;

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

static void SayNumber(unsigned long long value) {
  char digits[24];
  FormatDecimal(digits, value);
  Say(digits);
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

// The page's options as wordhex-cli's, each text as typed (empty for none);
// false, with what is wrong said as wordhex-cli says it, for values it would
// refuse.
static bool OptionsOf(int mode, int wordBits, int swap, const char *fill, const char *format, const char *base,
                      const char *depth, const char *wordsPerRecord, ConvertOptions *options) {
  if (mode < 0 || mode >= WEB_MODES) {
    Say("no such mode");
    return false;
  }
  OptionChoices choices = DEFAULT_CHOICES;
  choices.full = mode == 1;
  choices.toBytes = mode == 2;
  choices.swap = swap != 0;
  choices.baseGiven = base[0] != '\0';
  choices.depthGiven = depth[0] != '\0';
  char bits[24];
  FormatDecimal(bits, (unsigned)wordBits);
  struct Value {
    bool wrong;
    const char *problem, *text;
  };
  const Value VALUES[] = {
      {!ParseWordBits(bits, &choices.wordBytes), "--word-bits takes 16, 24, 32, 40, 48, 56 or 64, not '", bits},
      {fill[0] != '\0' && !ParseFill(fill, &choices.fill),
       "--fill takes 0x and one or two hexadecimal digits, or 0 to 255, not '", fill},
      {format[0] != '\0' && !ParseFormat(format, &choices.format), "--format takes ihex, vmem, mif or coe, not '",
       format},
      {choices.baseGiven && !ParseAddress(base, &choices.base),
       "--base takes 0x and hexadecimal digits, or a decimal number, below 4 Gi, not '", base},
      {choices.depthGiven && !ParseDepth(depth, &choices.depth),
       "--depth takes 0x and hexadecimal digits, or a decimal number, from 1 to 4 Gi, not '", depth},
      {wordsPerRecord[0] != '\0' && !ParseWordsPerRecord(wordsPerRecord, &choices.wordsPerRecord),
       "--words-per-record takes a number from 1 on, not '", wordsPerRecord},
  };
  for (const Value &value : VALUES) {
    if (!value.wrong) continue;
    Say(value.problem);
    Say(value.text);
    Say("'");
    return false;
  }
  char text[200];
  OptionProblem clash = ChooseOptions(&choices, options);
  FormatOptionProblem(clash, &choices, text);
  Say(text);
  return clash == OPTIONS_AGREE;
}

extern "C" {

// Converts the worker's input, the browser's file `name`, as wordhex-cli does
// with the page's options: `mode` 0 to 2 (halve, full, bytes), `wordBits`,
// `swap` (0 or 1); `fill`, `format`, `base`, `depth` and `wordsPerRecord` as
// typed, empty for none. Returns 1 when it
// converted; WebOutputName, WebMessage and WebRecords tell the rest.
EMSCRIPTEN_KEEPALIVE int WebConvert(const char *name, int mode, int wordBits, int swap, const char *fill,
                                    const char *format, const char *base, const char *depth,
                                    const char *wordsPerRecord) {
  Message[0] = '\0';
  MessageLength = 0;
  OutputName[0] = '\0';
  Records = 0;
  ConvertOptions options;
  if (!OptionsOf(mode, wordBits, swap, fill, format, base, depth, wordsPerRecord, &options)) return 0;

  char suffix[16];
  OutputSuffix(&options, suffix);
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
  ConversionStatus status = ConvertHex(&Input, &Output, &options, &Report);
  bool written = FlushOutput(&Output);
  Outcome outcome = OutcomeOf(status, &Report, faults.read, !written, true);
  if (outcome == OUTCOME_CONVERTED) {
    Records = (double)Report.records;
    // wordhex-cli's warnings, a line each.
    Warning order[WARNING_COUNT];
    int count = OrderWarnings(&Report, order);
    for (int i = 0; i < count; i++) {
      unsigned long long line = WarningLine(&Report, order[i]);
      char text[160];
      FormatWarning(&Report, order[i], text);
      if (MessageLength > 0) Say("\n");
      SayName(name);
      Say(":");
      SayNumber(line);
      Say(": warning: ");
      Say(text);
    }
    return 1;
  }
  if (outcome == OUTCOME_WRITE_FAILED) {
    SayFailure(OutputName, OutcomeText(outcome));
  } else if (outcome == OUTCOME_READ_FAILED) {
    SayFailure(name, OutcomeText(outcome));
  } else {
    SayName(name);
    Say(":");
    SayNumber(Input.stopLine);
    Say(":");
    SayNumber(Input.stopColumn);
    Say(": ");
    SayRussian(OutcomeText(outcome));
    char detail[80];
    FormatDetail(outcome, &Report, detail);
    SayRussian(detail);
  }
  return 0;
}

EMSCRIPTEN_KEEPALIVE const char *WebOutputName(void) { return OutputName; }
EMSCRIPTEN_KEEPALIVE const char *WebMessage(void) { return Message; }
EMSCRIPTEN_KEEPALIVE double WebRecords(void) { return Records; }
}

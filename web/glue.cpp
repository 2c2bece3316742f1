// The page's only C++: between the worker's JavaScript (web/worker.js) and the
// converter. The input comes in and the output goes out through functions
// that the worker provides; the outcome is worded as wordhex-cli words it,
// less the program's name, in UTF-8.
#include <emscripten.h>
#include <string.h>

#include "convert/convert.h"
#include "convert/outcome.h"
#include "frontend/map.h"
#include "frontend/naming.h"
#include "frontend/options.h"
#include "frontend/say.h"
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

static HexInput Input;
static HexOutput Output;
static ConvertReport Report;

// The map of the last conversion, for the page to draw: its first runs (an
// image of more is drawn in part), as wordhex-cli --map=json gives them.
enum { PAGE_RUNS = 4096 };
static MapRun Runs[PAGE_RUNS];
static unsigned long long RunCount;
static char MapJson[PAGE_RUNS * 96 + 512];
static size_t MapLength;

static void KeepRun(void *, const MapRun *run) {
  if (RunCount < PAGE_RUNS) Runs[RunCount] = *run;
  RunCount++;
}
static const MapHook KEEP_RUNS = {KeepRun, nullptr};

static void PutMap(void *, const char *text, PieceKind) {
  size_t length = strlen(text) < sizeof MapJson - 1 - MapLength ? strlen(text) : sizeof MapJson - 1 - MapLength;
  memcpy(MapJson + MapLength, text, length);
  MapLength += length;
  MapJson[MapLength] = '\0';
}

// The map as JSON, with "more_runs" for those not drawn.
static void WriteMap(const char *name, const ConvertOptions *options, bool converted) {
  static const Sink sink = {PutMap, nullptr};
  static MapWriter writer;
  MapLength = 0;
  BeginMap(&writer, &sink, MAP_JSON, name);
  for (unsigned long long i = 0; i < RunCount && i < PAGE_RUNS; i++) WriteMapRun(&writer, &Runs[i]);
  EndMap(&writer, &Report, options, converted);
  if (RunCount > PAGE_RUNS && MapLength > 2) {  // before the closing brace and line end
    MapLength -= 2;
    Say(&sink, ",\"more_runs\":");
    SayNumber(&sink, RunCount - PAGE_RUNS);
    Say(&sink, "}\n");
  }
}

// What the last conversion left for the worker.
static char Message[16 * PLATFORM_PATH_SIZE];  // UTF-8; empty when there is nothing to say
static size_t MessageLength;
static char OutputName[PLATFORM_PATH_SIZE];
static double Records;

// The message, in UTF-8: the catalogue's texts converted, the browser's names
// and reasons as they are.
static void PutPiece(void *, const char *text, PieceKind kind) {
  size_t room = sizeof Message - MessageLength;
  if (kind == PIECE_TEXT) {
    MessageLength += Cp1251ToUtf8(text, Message + MessageLength, room);
    return;
  }
  size_t length = strlen(text) < room - 1 ? strlen(text) : room - 1;
  memcpy(Message + MessageLength, text, length);
  MessageLength += length;
  Message[MessageLength] = '\0';
}
static const Sink Said = {PutPiece, nullptr};

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

// "NAME: TEXT NAME! (reason)", as wordhex-cli's failures with a file: the
// names are the browser's, which have no directory.
static void SayFailureWithReason(const char *name, TextId text) {
  static char reason[1024];
  WebReason(reason, sizeof reason);
  SayFailure(&Said, name, text, reason);
}

// The page's options as wordhex-cli's, each text as typed (empty for none);
// false, with what is wrong said as wordhex-cli says it, for values it would
// refuse.
static bool OptionsOf(int mode, int wordBits, int swap, const char *fill, const char *format, const char *base,
                      const char *depth, const char *wordsPerRecord, ConvertOptions *options) {
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
    TextId problem;
    const char *text;
  };
  const Value VALUES[] = {
      {!ParseWordBits(bits, &choices.wordBytes), TEXT_BAD_WORD_BITS, bits},
      {fill[0] != '\0' && !ParseFill(fill, &choices.fill), FillProblem(fill), fill},
      {format[0] != '\0' && !ParseFormat(format, &choices.format), TEXT_BAD_FORMAT, format},
      {choices.baseGiven && !ParseAddress(base, &choices.base), TEXT_BAD_BASE, base},
      {choices.depthGiven && !ParseDepth(depth, &choices.depth), TEXT_BAD_DEPTH, depth},
      {wordsPerRecord[0] != '\0' && !ParseWordsPerRecord(wordsPerRecord, &choices.wordsPerRecord),
       TEXT_BAD_WORDS_PER_RECORD, wordsPerRecord},
  };
  for (const Value &value : VALUES) {
    const Argument argument = {value.text, PIECE_NAME};
    if (value.wrong) {
      SayText(&Said, value.problem, &argument, 1);
      return false;
    }
  }
  OptionProblem problem = ChooseOptions(&choices, options);
  if (problem == OPTIONS_AGREE) return true;
  Argument arguments[4];
  TextId text = DescribeOptionProblem(problem, &choices, arguments);
  SayText(&Said, text, arguments, 4);
  return false;
}

extern "C" {

// Converts the worker's input, the browser's file `name`, as wordhex-cli does
// with the page's options, and says so in `language` (a tag of the browser's
// languages): `mode` 0 to 2 (halve, full, bytes), `wordBits`, `swap` (0 or
// 1); `fill`, `format`, `base`, `depth` and `wordsPerRecord` as typed, empty
// for none. Returns 1 when it converted; WebOutputName, WebMessage and
// WebRecords tell the rest.
EMSCRIPTEN_KEEPALIVE int WebConvert(const char *name, const char *language, int mode, int wordBits, int swap,
                                    const char *fill, const char *format, const char *base, const char *depth,
                                    const char *wordsPerRecord) {
  Message[0] = '\0';
  MessageLength = 0;
  OutputName[0] = '\0';
  Records = 0;
  UseCatalogue(CatalogueFor(language));
  ConvertOptions options;
  if (mode < 0 || mode > 2 || !OptionsOf(mode, wordBits, swap, fill, format, base, depth, wordsPerRecord, &options)) {
    return 0;
  }

  char suffix[16];
  OutputSuffix(&options, suffix);
  static char drive[DRIVE_SIZE], directory[PLATFORM_DIRECTORY_SIZE];
  static char baseName[PLATFORM_COMPONENT_SIZE], extension[PLATFORM_COMPONENT_SIZE];
  if (!MakeOutputPathWithSuffix(name, suffix, drive, directory, baseName, extension, OutputName)) {
    // Too long a name: as wordhex-cli says it.
    static char tooLong[2 * PLATFORM_PATH_SIZE];
    strcpy(tooLong, name);
    strcpy(tooLong + BaseEnd(tooLong), suffix);
    char reason[128];
    Cp1251ToUtf8(Text(TEXT_NAME_TOO_LONG), reason, sizeof reason);
    SayFailure(&Said, tooLong, TEXT_CANNOT_CREATE, reason);
    return 0;
  }

  Faults faults = {false, false};
  RunCount = 0;
  options.map = &KEEP_RUNS;
  OpenInputStream(&Input, ReadFromPage, &faults);
  OpenOutputStream(&Output, WriteToPage, &faults);
  HandOnWholeBuffers(&Output);  // a Blob: nobody reads it before it is whole
  ConversionStatus status = ConvertHex(&Input, &Output, &options, &Report);
  bool written = FlushOutput(&Output);
  Outcome outcome = OutcomeOf(status, &Report, faults.read, !written, true);
  WriteMap(name, &options, outcome == OUTCOME_CONVERTED);
  if (outcome == OUTCOME_CONVERTED) {
    Records = (double)Report.records;
    // wordhex-cli's warnings, a line each.
    Warning order[WARNING_COUNT];
    int count = OrderWarnings(&Report, order);
    for (int i = 0; i < count; i++) {
      if (MessageLength > 0) Say(&Said, "\n");
      SayWarning(&Said, name, &Report, order[i], false);
    }
    return 1;
  }
  if (outcome == OUTCOME_WRITE_FAILED) {
    SayFailureWithReason(OutputName, OutcomeText(outcome));
  } else if (outcome == OUTCOME_READ_FAILED) {
    SayFailureWithReason(name, OutcomeText(outcome));
  } else {
    SayStop(&Said, name, Input.stopLine, Input.stopColumn, outcome, &Report);
  }
  return 0;
}

EMSCRIPTEN_KEEPALIVE const char *WebOutputName(void) { return OutputName; }
EMSCRIPTEN_KEEPALIVE const char *WebMap(void) { return MapJson; }
EMSCRIPTEN_KEEPALIVE const char *WebMessage(void) { return Message; }
EMSCRIPTEN_KEEPALIVE double WebRecords(void) { return Records; }
}

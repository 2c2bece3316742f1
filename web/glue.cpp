// The page's only C++: between the worker's JavaScript (web/worker.js) and the
// converter. The input comes in and the output goes out through functions
// that the worker provides; the outcome is worded as wordhex-cli words it,
// less the program's name, in UTF-8. The page's own texts come from the same
// catalogues.
#include <emscripten.h>
#include <string.h>
#include <strings.h>

#include "convert/convert.h"
#include "convert/format.h"
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
// failed write WebReason gives the browser's reason.
EM_JS(int, WebRead, (unsigned char *buffer, size_t size),
      { return Asyncify.handleSleep(function(wakeUp) { Module.webRead(buffer, size, wakeUp); }); });
EM_JS(int, WebWrite, (const unsigned char *data, size_t size), { return Module.webWrite(data, size); });
EM_JS(void, WebReason, (char *text, size_t size), { stringToUTF8(Module.webReason, text, size); });

static HexInput Input;
static HexOutput Output;
static ConvertReport Report;

// Text gathered for the worker in UTF-8, cut short rather than overrun (each
// buffer holds several times what it is given): the catalogue's texts
// converted, names and the browser's reasons as they are.
struct Buffer {
  char *text;
  size_t size, length;
};
static void PutUtf8(void *handle, const char *text, PieceKind kind) {
  Buffer *buffer = static_cast<Buffer *>(handle);
  char *end = buffer->text + buffer->length;
  size_t room = buffer->size - buffer->length;
  if (kind == PIECE_TEXT) {
    buffer->length += Cp1251ToUtf8(text, end, room);
    return;
  }
  size_t length = strlen(text) < room - 1 ? strlen(text) : room - 1;
  memcpy(end, text, length);
  end[length] = '\0';
  buffer->length += length;
}

// The map of the last conversion, for the page to draw: its first runs (an
// image of more is drawn in part), as wordhex-cli --map=json gives them.
enum { PAGE_RUNS = 4096 };
static MapRun Runs[PAGE_RUNS];
static unsigned long long RunCount;
static char MapText[PAGE_RUNS * 96 + 512];
static Buffer MapJson = {MapText, sizeof MapText, 0};

static void KeepRun(void *, const MapRun *run) {
  if (RunCount < PAGE_RUNS) Runs[RunCount] = *run;
  RunCount++;
}
static const MapHook KEEP_RUNS = {KeepRun, nullptr};

// The map as JSON, with "more_runs" for those not kept.
static void WriteMap(const char *name, const ConvertOptions *options, bool converted) {
  static const Sink sink = {PutUtf8, &MapJson};
  static MapWriter writer;
  MapJson.length = 0;
  BeginMap(&writer, &sink, MAP_JSON, name);
  for (unsigned long long i = 0; i < RunCount && i < PAGE_RUNS; i++) WriteMapRun(&writer, &Runs[i]);
  EndMap(&writer, &Report, options, converted);
  if (RunCount > PAGE_RUNS && MapJson.length > 2) {  // before the closing brace and line end
    MapJson.length -= 2;
    Say(&sink, ",\"more_runs\":");
    SayNumber(&sink, RunCount - PAGE_RUNS);
    Say(&sink, "}\n");
  }
}

// What the last conversion left for the worker.
static char MessageText[16 * PLATFORM_PATH_SIZE];
static Buffer Message = {MessageText, sizeof MessageText, 0};  // empty when there is nothing to say
static char OutputName[PLATFORM_PATH_SIZE];
static double Records;

static const Sink Said = {PutUtf8, &Message};

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

// A catalogue's text as a JSON string.
static void SayJsonText(const Sink *sink, TextId id) {
  static char utf8[4096];
  Cp1251ToUtf8(Text(id), utf8, sizeof utf8);
  SayJson(sink, utf8);
}

// The texts that page.js looks up by these keys: its own, and wordhex-cli's
// lines of a map.
#define PAGE(name) \
  { #name, TEXT_PAGE_##name }
#define MAP(name) \
  { "MAP_" #name, TEXT_MAP_##name }
struct PageText {
  const char *key;
  TextId id;
};
static const PageText PAGE_TEXTS[] = {
    PAGE(TITLE),
    PAGE(LEAD),
    PAGE(CONVERSION),
    PAGE(MODE),
    PAGE(MODE_HALVE),
    PAGE(MODE_FULL),
    PAGE(MODE_BYTES),
    PAGE(MODE_WHOLE),
    PAGE(MODE_WHOLE_NOTE),
    PAGE(WORD_BITS),
    PAGE(BITS),
    PAGE(SWAP),
    PAGE(FILL),
    PAGE(FILL_NOTE),
    PAGE(NONE),
    PAGE(MEMORY),
    PAGE(FORMAT),
    PAGE(FORMAT_IHEX),
    PAGE(FORMAT_MIF),
    PAGE(FORMAT_COE),
    PAGE(FORMAT_NOTE),
    PAGE(FORMAT_BYTES_NOTE),
    PAGE(BASE),
    PAGE(BASE_NOTE),
    PAGE(DEPTH),
    PAGE(DEPTH_NOTE),
    PAGE(NO_LIMIT),
    PAGE(WORDS_PER_RECORD),
    PAGE(WORDS_PER_RECORD_NOTE),
    PAGE(AS_MANY_AS_FIT),
    PAGE(RECORDS_WHOLE_NOTE),
    PAGE(RECORDS_IHEX_NOTE),
    PAGE(CHOOSE),
    PAGE(DROP),
    PAGE(CHOSEN),
    PAGE(PROGRESS),
    PAGE(CONVERTING),
    PAGE(DOWNLOAD),
    PAGE(DOWNLOAD_AGAIN),
    PAGE(SUMMARY),
    PAGE(HALVED),
    PAGE(WHOLE),
    PAGE(TO_BYTES),
    PAGE(SWAPPED),
    PAGE(FILL_IS),
    PAGE(FORMAT_IS),
    PAGE(BASE_IS),
    PAGE(DEPTH_IS),
    PAGE(RECORDS_IS),
    PAGE(BYTES),
    PAGE(KIB),
    PAGE(MIB),
    PAGE(GIB),
    PAGE(MS),
    PAGE(SECONDS),
    PAGE(CHANGED),
    PAGE(CANNOT_RUN),
    PAGE(NO_REASON),
    PAGE(INTERNAL),
    PAGE(MAP),
    PAGE(MAP_LEAD),
    PAGE(MAP_BYTES),
    PAGE(MAP_WORDS),
    PAGE(MAP_GAP),
    PAGE(MAP_STOPPED),
    PAGE(MAP_NOT_SHOWN),
    PAGE(MAP_TEXT),
    PAGE(FOOTER),
    MAP(RUN),
    MAP(MISREAD),
    MAP(START),
    MAP(START_BYTE),
    MAP(NO_START),
    MAP(TOTALS),
    MAP(DEPTH),
};

// The catalogue of the first of the browser's languages ("de-DE,ru,en") that
// one is written in; English for none.
static const Catalogue *PageCatalogue(const char *tags) {
  for (const char *tag = tags; tag != nullptr;) {
    for (unsigned i = 0; i < CATALOGUE_COUNT; i++) {
      // The code, then the tag's end, a comma or a region: "ru", "ru-RU".
      size_t length = strlen(CATALOGUES[i]->language);
      if (strncasecmp(tag, CATALOGUES[i]->language, length) == 0 && strchr(",-", tag[length]) != nullptr) {
        return CATALOGUES[i];
      }
    }
    tag = strchr(tag, ',');
    if (tag != nullptr) tag++;
  }
  return CATALOGUES[0];
}

// The options of the last conversion, or of the last check.
static ConvertOptions Chosen;

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

// Nothing said yet, the options checked and kept in Chosen.
static bool Prepare(const char *language, int mode, int wordBits, int swap, const char *fill, const char *format,
                    const char *base, const char *depth, const char *wordsPerRecord) {
  Message.text[0] = '\0';
  Message.length = 0;
  OutputName[0] = '\0';
  MapJson.text[0] = '\0';
  Records = 0;
  UseCatalogue(CatalogueFor(language));
  return mode >= 0 && mode <= 2 && OptionsOf(mode, wordBits, swap, fill, format, base, depth, wordsPerRecord, &Chosen);
}

extern "C" {

// The page's texts in the first of the browser's `languages` (their tags,
// separated by commas) that a catalogue has, English for none, as one JSON
// object: {"language": its code, "texts": {key: text, ...}}.
EMSCRIPTEN_KEEPALIVE const char *WebPageTexts(const char *languages) {
  static char text[32 * 1024];
  Buffer json = {text, sizeof text, 0};
  const Sink sink = {PutUtf8, &json};
  const Catalogue *catalogue = PageCatalogue(languages);
  UseCatalogue(catalogue);
  Say(&sink, "{\"language\":");
  SayJson(&sink, catalogue->language);
  Say(&sink, ",\"texts\":{");
  for (const PageText &page : PAGE_TEXTS) {
    if (&page != PAGE_TEXTS) Say(&sink, ",");
    SayJson(&sink, page.key);
    Say(&sink, ":");
    SayJsonText(&sink, page.id);
  }
  Say(&sink, "}}");
  return text;
}

// Checks the page's options as WebConvert would before it reads: 1 when they
// agree, else 0 with WebMessage saying why.
EMSCRIPTEN_KEEPALIVE int WebCheck(const char *language, int mode, int wordBits, int swap, const char *fill,
                                  const char *format, const char *base, const char *depth, const char *wordsPerRecord) {
  return Prepare(language, mode, wordBits, swap, fill, format, base, depth, wordsPerRecord) ? 1 : 0;
}

// Converts the worker's input, the browser's file `name`, as wordhex-cli does
// with the page's options, and says so in `language` (a tag of the browser's
// languages): `mode` 0 to 2 (halve, full, bytes), `wordBits`, `swap` (0 or
// 1); `fill`, `format`, `base`, `depth` and `wordsPerRecord` as typed, empty
// for none. Returns 1 when it converted; WebOutputName, WebMessage and
// WebRecords tell the rest.
EMSCRIPTEN_KEEPALIVE int WebConvert(const char *name, const char *language, int mode, int wordBits, int swap,
                                    const char *fill, const char *format, const char *base, const char *depth,
                                    const char *wordsPerRecord) {
  if (!Prepare(language, mode, wordBits, swap, fill, format, base, depth, wordsPerRecord)) return 0;
  ConvertOptions options = Chosen;

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
  // A browser fails a read only when the file changed or went away since it
  // was chosen (some read it as it is now, and only its size tells): what was
  // read is not that file, even when its end record came first.
  if (faults.read && outcome == OUTCOME_CONVERTED) outcome = OUTCOME_READ_FAILED;
  WriteMap(name, &options, outcome == OUTCOME_CONVERTED);
  if (outcome == OUTCOME_CONVERTED) {
    Records = (double)Report.records;
    // wordhex-cli's warnings, a line each.
    Warning order[WARNING_COUNT];
    int count = OrderWarnings(&Report, order);
    for (int i = 0; i < count; i++) {
      if (Message.length > 0) Say(&Said, "\n");
      SayWarning(&Said, name, &Report, order[i], false);
    }
    return 1;
  }
  const Argument file = {name, PIECE_NAME};
  if (outcome == OUTCOME_WRITE_FAILED) {
    static char reason[1024];
    WebReason(reason, sizeof reason);
    SayFailure(&Said, OutputName, OutcomeText(outcome), reason);
  } else if (outcome == OUTCOME_READ_FAILED) {
    // Said plainly: the browser's reason ("network error") tells nobody why.
    SayText(&Said, TEXT_PAGE_CHANGED, &file, 1);
  } else {
    SayStop(&Said, name, Input.stopLine, Input.stopColumn, outcome, &Report);
  }
  return 0;
}

// The options of the last conversion or check that agreed, as JSON:
// {"direction": "halve", "words" or "bytes", "word_bits", "swap", "fill"
// (null for none), "format", "base", "depth" (null for none),
// "words_per_record" (null for as many as fit)}.
EMSCRIPTEN_KEEPALIVE const char *WebOptions(void) {
  static char text[512];
  Buffer json = {text, sizeof text, 0};
  const Sink sink = {PutUtf8, &json};
  const char *const DIRECTIONS[] = {"halve", "words", "bytes"};
  // A number, or null for none (`given` false).
  auto member = [&](const char *name, bool given, unsigned long long value) {
    Say(&sink, name);
    given ? SayNumber(&sink, value) : Say(&sink, "null");
  };
  Say(&sink, "{\"direction\":");
  SayJson(&sink, DIRECTIONS[Chosen.direction]);
  member(",\"word_bits\":", true, 8u * Chosen.wordBytes);
  Say(&sink, Chosen.swap ? ",\"swap\":true" : ",\"swap\":false");
  member(",\"fill\":", Chosen.fill >= 0, (unsigned)Chosen.fill);
  Say(&sink, ",\"format\":");
  SayJson(&sink, OUTPUT_FORMATS[Chosen.format]->name);
  member(",\"base\":", true, Chosen.base);
  member(",\"depth\":", Chosen.depth != 0, Chosen.depth);
  member(",\"words_per_record\":", Chosen.wordsPerRecord != 0, Chosen.wordsPerRecord);
  Say(&sink, "}");
  return text;
}

EMSCRIPTEN_KEEPALIVE const char *WebOutputName(void) { return OutputName; }
EMSCRIPTEN_KEEPALIVE const char *WebMap(void) { return MapJson.text; }
EMSCRIPTEN_KEEPALIVE const char *WebMessage(void) { return Message.text; }
EMSCRIPTEN_KEEPALIVE double WebRecords(void) { return Records; }
}

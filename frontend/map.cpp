#include "frontend/map.h"

#include <string.h>

#include "convert/hex.h"

// "0x" and eight upper-case hexadecimal digits.
static char *FormatAddress(char text[12], unsigned long long value) {
  text[0] = '0', text[1] = 'x';
  *PutHex(reinterpret_cast<unsigned char *>(text) + 2, value, 8) = '\0';
  return text;
}

static void SayPair(const Sink *sink, const char *name, unsigned long long first, unsigned long long last) {
  Say(sink, name);
  SayNumber(sink, first);
  Say(sink, ",");
  SayNumber(sink, last);
  Say(sink, "]");
}

void WriteMapRun(MapWriter *writer, const MapRun *run) {
  const Sink *sink = writer->sink;
  unsigned long long bytes = run->lastByte - run->firstByte + 1, words = run->lastWord - run->firstWord + 1;
  if (writer->form == MAP_JSON) {
    Say(sink, writer->runs++ == 0 ? "{" : ",{");
    SayPair(sink, "\"bytes\":[", run->firstByte, run->lastByte);
    SayPair(sink, ",\"words\":[", run->firstWord, run->lastWord);
    Say(sink, ",\"size\":");
    SayNumber(sink, bytes);
    Say(sink, run->misread ? ",\"misread\":true}" : "}");
    return;
  }
  char text[6][24];
  const Argument arguments[] = {
      {FormatAddress(text[0], run->firstByte), PIECE_TEXT},   {FormatAddress(text[1], run->lastByte), PIECE_TEXT},
      {FormatAddress(text[2], run->firstWord), PIECE_TEXT},   {FormatAddress(text[3], run->lastWord), PIECE_TEXT},
      {(FormatDecimal(text[4], bytes), text[4]), PIECE_TEXT}, {(FormatDecimal(text[5], words), text[5]), PIECE_TEXT}};
  SayText(sink, TEXT_MAP_RUN, arguments, 6);
  if (run->misread) SayText(sink, TEXT_MAP_MISREAD);
  Say(sink, "\n");
}

static void SayRun(void *handle, const MapRun *run) { WriteMapRun(static_cast<MapWriter *>(handle), run); }

void BeginMap(MapWriter *writer, const Sink *sink, MapForm form, const char *file) {
  *writer = MapWriter{sink, form, 0, MapHook{SayRun, writer}};
  if (form == MAP_JSON) {
    Say(sink, "{\"file\":");
    SayJson(sink, file);
    Say(sink, ",\"runs\":[");
    return;
  }
  Say(sink, file, PIECE_NAME);
  Say(sink, ":\n");
}

static void EndJson(const Sink *sink, const ConvertReport *report, const ConvertOptions *options) {
  Say(sink, ",\"start\":");
  if (report->started) {
    Say(sink, "{\"byte\":");
    SayNumber(sink, report->startByte);
    Say(sink, ",\"word\":");
    report->startInWords ? SayNumber(sink, report->startWord) : Say(sink, "null");
    Say(sink, "}");
  } else {
    Say(sink, "null");
  }
  const char *const NAMES[] = {",\"records\":", ",\"data_bytes\":", ",\"words\":", ",\"depth_used\":"};
  const unsigned long long VALUES[] = {report->dataRecords, report->dataBytes, report->mapWords, report->mapWords};
  for (int i = 0; i < (options->depth != 0 ? 4 : 3); i++) {
    Say(sink, NAMES[i]);
    SayNumber(sink, VALUES[i]);
  }
  Say(sink, "}\n");
}

static void EndText(const Sink *sink, const ConvertReport *report, const ConvertOptions *options) {
  char text[6][24];
  const Argument start[] = {{FormatAddress(text[0], report->startByte), PIECE_TEXT},
                            {FormatAddress(text[1], report->startWord), PIECE_TEXT}};
  SayText(sink,
          !report->started       ? TEXT_MAP_NO_START
          : report->startInWords ? TEXT_MAP_START
                                 : TEXT_MAP_START_BYTE,
          start, 2);
  Say(sink, "\n");
  FormatDecimal(text[2], report->dataRecords);
  FormatDecimal(text[3], report->dataBytes);
  FormatDecimal(text[4], report->mapWords);
  const Argument totals[] = {{text[2], PIECE_TEXT}, {text[3], PIECE_TEXT}, {text[4], PIECE_TEXT}};
  SayText(sink, TEXT_MAP_TOTALS, totals, 3);
  if (options->depth != 0) {
    // The share in tenths of a percent, rounded.
    unsigned long long tenths = (report->mapWords * 1000 + options->depth / 2) / options->depth;
    char *at = FormatDecimal(text[1], tenths / 10);
    at[0] = '.', at[1] = (char)('0' + tenths % 10), at[2] = '\0';
    FormatDecimal(text[5], options->depth);
    const Argument used[] = {{text[4], PIECE_TEXT}, {text[5], PIECE_TEXT}, {text[1], PIECE_TEXT}};
    SayText(sink, TEXT_MAP_DEPTH, used, 3);
  }
  Say(sink, "\n");
}

void EndMap(MapWriter *writer, const ConvertReport *report, const ConvertOptions *options, bool converted) {
  if (writer->form == MAP_JSON) {
    Say(writer->sink, "]");
    converted ? EndJson(writer->sink, report, options) : Say(writer->sink, ",\"failed\":true}\n");
  } else if (converted) {
    EndText(writer->sink, report, options);
  }
}

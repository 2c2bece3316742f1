#include "frontend/say.h"

#include <string.h>

#include "convert/hex.h"
#include "frontend/naming.h"
#include "frontend/quote.h"

void Say(const Sink *sink, const char *text, PieceKind kind) {
  if (kind != PIECE_NAME) return sink->put(sink->handle, text, kind);
  // One line whatever the name holds: nine bytes at most for one of its bytes, '$'\001''.
  static char quoted[10 * PLATFORM_PATH_SIZE];
  QuoteName(text, quoted, sizeof quoted);
  sink->put(sink->handle, quoted, PIECE_NAME);
}

void SayNumber(const Sink *sink, unsigned long long value) {
  char digits[24];
  FormatDecimal(digits, value);
  Say(sink, digits);
}

void SayText(const Sink *sink, TextId id, const Argument *arguments, int count) {
  const char *text = Text(id);
  for (const char *mark = text; (mark = strchr(mark, '%')) != nullptr;) {
    int index = mark[1] - '1';
    if (index < 0 || index > 8) {  // a '%' of the text's own
      mark++;
      continue;
    }
    char piece[1024];
    size_t length = (size_t)(mark - text) < sizeof piece - 1 ? (size_t)(mark - text) : sizeof piece - 1;
    memcpy(piece, text, length);
    piece[length] = '\0';
    Say(sink, piece);
    if (index < count) Say(sink, arguments[index].text, arguments[index].kind);
    text = mark += 2;
  }
  Say(sink, text);
}

void SayJson(const Sink *sink, const char *text) {
  char piece[128];
  size_t length = 0;
  piece[length++] = '"';
  for (;; text++) {
    unsigned char c = (unsigned char)*text;
    if (c == '\0' || length > sizeof piece - 8) {  // room for the longest escape and the end
      piece[length] = '\0';
      Say(sink, piece, PIECE_NAME);
      length = 0;
    }
    if (c == '\0') break;
    if (c < 0x20 || c == 0x7F) {  // escaped, so that nothing quotes it as a name
      memcpy(piece + length, "\\u00", 4);
      piece[length + 4] = "0123456789abcdef"[c >> 4];
      piece[length + 5] = "0123456789abcdef"[c & 15];
      length += 6;
      continue;
    }
    if (c == '"' || c == '\\') piece[length++] = '\\';
    piece[length++] = (char)c;
  }
  Say(sink, "\"");
}

// A byte as a reason shows it: a character that can be shown, in quotes;
// any other by its value.
static void ShowByte(unsigned char byte, char text[8]) {
  if (byte >= 0x20 && byte < 0x7F && byte != '\'') {
    const char shown[] = {'\'', (char)byte, '\'', '\0'};
    strcpy(text, shown);
    return;
  }
  strcpy(text, "0x");
  FormatHexByte(byte, reinterpret_cast<unsigned char *>(text) + 2);
  text[4] = '\0';
}

// Why the file is damaged, in brackets after the text.
static void SayDamage(const Sink *sink, const RecordFault *fault) {
  static const TextId REASONS[] = {
      TEXT_COUNT,          TEXT_REASON_BOM,       TEXT_REASON_EMPTY_FILE,   TEXT_REASON_EMPTY_LINE,
      TEXT_REASON_NO_MARK, TEXT_REASON_NOT_DIGIT, TEXT_REASON_LINE_ENDS,    TEXT_REASON_FILE_ENDS,
      TEXT_REASON_NO_END,  TEXT_REASON_TYPE,      TEXT_REASON_SECOND_RECORD};
  static const TextId FIELDS[] = {TEXT_FIELD_COUNT, TEXT_FIELD_ADDRESS, TEXT_FIELD_TYPE, TEXT_FIELD_DATA,
                                  TEXT_FIELD_CHECKSUM};
  if (fault->damage == DAMAGE_NONE) return;
  char byte[8];
  if (fault->damage == DAMAGE_TYPE) {
    FormatHexByte(fault->byte, reinterpret_cast<unsigned char *>(byte));
    byte[2] = '\0';
  } else {
    ShowByte(fault->byte, byte);
  }
  const Argument arguments[] = {{byte, PIECE_TEXT}, {Text(FIELDS[fault->field]), PIECE_TEXT}};
  SayText(sink, REASONS[fault->damage], arguments, 2);
}

void SayStop(const Sink *sink, const char *file, unsigned long long line, unsigned long long column, Outcome outcome,
             const ConvertReport *report) {
  Say(sink, file, PIECE_NAME);
  Say(sink, ":");
  SayNumber(sink, line);
  Say(sink, ":");
  SayNumber(sink, column);
  Say(sink, ": ");
  SayText(sink, OutcomeText(outcome));
  if (outcome == OUTCOME_DAMAGED) SayDamage(sink, &report->fault);
  if (outcome == OUTCOME_PARTIAL_WORD && report->fillOverData) SayText(sink, TEXT_FILL_OVER_DATA);
  if (outcome != OUTCOME_BAD_CHECKSUM) return;
  char read[3] = {}, wanted[3] = {};
  FormatHexByte(report->fault.checksumRead, reinterpret_cast<unsigned char *>(read));
  FormatHexByte(report->fault.checksumWanted, reinterpret_cast<unsigned char *>(wanted));
  const Argument arguments[] = {{read, PIECE_TEXT}, {wanted, PIECE_TEXT}};
  SayText(sink, TEXT_CHECKSUM_DETAIL, arguments, 2);
}

void SayFailure(const Sink *sink, const char *path, TextId text, const char *reason) {
  const char *name = path + NameStart(path);
  Say(sink, path, PIECE_NAME);
  Say(sink, ": ");
  SayText(sink, text);
  Say(sink, name[0] != '\0' ? name : path, PIECE_NAME);
  SayText(sink, TEXT_NAME_END);
  if (reason == nullptr || reason[0] == '\0') return;
  Say(sink, " (");
  Say(sink, reason, PIECE_REASON);
  Say(sink, ")");
}

void SayWarning(const Sink *sink, const char *file, const ConvertReport *report, Warning warning, bool strict) {
  char count[24];
  FormatDecimal(count, report->afterEnd);
  const Argument argument = {count, PIECE_TEXT};
  Say(sink, file, PIECE_NAME);
  Say(sink, ":");
  SayNumber(sink, WarningLine(report, warning));
  Say(sink, ": ");
  SayText(sink, strict ? TEXT_ERROR : TEXT_WARNING);
  Say(sink, ": ");
  SayText(sink, WarningText(warning), &argument, 1);
  if (strict) Say(sink, " [--strict]");
}

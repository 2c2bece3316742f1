#include "convert/record.h"

bool SkipRestOfLine(HexInput *input, ConversionStatus *status, RecordFault *fault) {
  for (;;) {
    size_t available = (size_t)(input->end - input->next);
    const unsigned char *lf = static_cast<const unsigned char *>(memchr(input->next, '\n', available));
    size_t span = lf != nullptr ? (size_t)(lf - input->next) : available;
    const void *mark = memchr(input->next, ':', span);
    if (mark != nullptr) {
      input->next = static_cast<const unsigned char *>(mark) + 1;
      NoteStop(input, 1);
      *status |= CONV_MALFORMED;
      fault->damage = DAMAGE_SECOND_RECORD;
      return false;
    }
    if (lf != nullptr) {
      input->next = lf + 1;
      input->line++;
      input->lineOffset = InputOffset(input);
      return true;
    }
    input->next = input->end;
    if (!RefillInput(input)) return true;
  }
}

void CountRecordsAfterEnd(HexInput *input, unsigned long long *records, unsigned long long *firstLine) {
  *records = *firstLine = 0;
  unsigned long long line = input->line;
  // The end record's own line counts a record when a ':' follows it there
  // (after a lone CR, say); every other line when it begins with one.
  bool endLine = true, lineStart = false;
  for (;;) {
    const unsigned char *at = input->next;
    while (at < input->end) {
      const unsigned char *lf = static_cast<const unsigned char *>(memchr(at, '\n', (size_t)(input->end - at)));
      bool record = endLine ? memchr(at, ':', (size_t)((lf != nullptr ? lf : input->end) - at)) != nullptr
                            : lineStart && *at == ':';
      if (record && (*records)++ == 0) *firstLine = line;
      if (record) endLine = false;  // counted: the rest of that line is not looked at again
      lineStart = lf != nullptr;
      if (lf == nullptr) break;
      endLine = false;
      line++;
      at = lf + 1;
    }
    input->next = input->end;
    if (!RefillInput(input)) return;
  }
}

void NoteStop(HexInput *input, unsigned back) {
  unsigned long long offset = InputOffset(input);
  if (input->ended) {
    size_t delivered = input->shortDelivered;
    for (size_t i = 0; i < delivered; i++) {  // fewer than a field's width
      if (input->FieldText[i] == '\n') {
        input->line++;
        input->lineOffset = offset - delivered + i + 1;
      }
    }
  } else {
    offset -= back;
  }
  input->stopLine = input->line;
  input->stopColumn = offset - input->lineOffset + 1;
}

// Why a field of `width` characters failed: its line ended in it, the
// input did, or one of its characters is no digit.
static void NoteFieldDamage(const HexInput *input, unsigned width, RecordField field, RecordFault *fault) {
  const unsigned char *text = input->FieldText;
  bool shortened = input->ended && input->shortDelivered < width;
  unsigned delivered = shortened ? (unsigned)input->shortDelivered : width, at = 0, end = 0;
  while (at < delivered && HexDigitValue[text[at]] != HEX_NOT_DIGIT) at++;
  while (end < delivered && text[end] != '\r' && text[end] != '\n') end++;
  fault->field = (unsigned char)field;
  fault->byte = at < delivered ? text[at] : 0;
  fault->damage = end < delivered ? DAMAGE_LINE_ENDS : shortened ? DAMAGE_FILE_ENDS : DAMAGE_NOT_DIGIT;
}

// Why a line does not begin a record: `mark` was read there (`got` 0 when
// the input ended).
static void NoteLineDamage(HexInput *input, size_t got, unsigned char mark, RecordFault *fault) {
  unsigned long long offset = InputOffset(input) - got;
  fault->byte = mark;
  if (got == 0) {
    fault->damage = offset == 0 ? DAMAGE_EMPTY_FILE : DAMAGE_NO_END;
  } else if (mark == '\n' || mark == '\r') {
    fault->damage = DAMAGE_EMPTY_LINE;
  } else {
    unsigned char rest[2];
    bool bom = offset == 0 && mark == 0xEF && ReadInput(input, rest, 2) == 2 && rest[0] == 0xBB && rest[1] == 0xBF;
    fault->damage = bom ? DAMAGE_BOM : DAMAGE_NO_MARK;
  }
}

bool ReadRecord(HexInput *input, HexRecord *record, ConversionStatus *status, RecordFault *fault) {
  unsigned back = 1;  // width of the field being read, to locate a stop
  RecordField field = FIELD_COUNT;
  unsigned char mark, checksum;
  record->dataSum = 0;
  size_t got = ReadInput(input, &mark, 1);
  if (got != 1 || mark != ':') {
    NoteStop(input, back);
    NoteLineDamage(input, got, mark, fault);
    return false;
  }
  back = 2;
  if (!ReadHexByte(input, &record->count, status)) goto stop;
  memcpy(record->countText, input->FieldText, 2);
  back = 4, field = FIELD_ADDRESS;
  if (!ReadHexWord(input, &record->address, status)) goto stop;
  back = 2, field = FIELD_TYPE;
  if (!ReadHexByte(input, &record->type, status)) goto stop;
  memcpy(record->typeText, input->FieldText, 2);
  if (record->type == 1) {
    *status |= CONV_END_RECORD;
    NoteStop(input, back);
    return false;
  }
  if (record->type > 5) {
    *status |= CONV_MALFORMED;
    NoteStop(input, back);
    fault->damage = DAMAGE_TYPE;
    fault->byte = record->type;
    return false;
  }
  field = FIELD_DATA;
  for (unsigned i = 0; i < record->count; i++) {
    if (!ReadHexByte(input, &record->data[i], status)) goto stop;
    memcpy(record->text + 2 * i, input->FieldText, 2);
    record->dataSum = (unsigned char)(record->dataSum + record->data[i]);
  }
  field = FIELD_CHECKSUM;
  if (!ReadHexByte(input, &checksum, status)) goto stop;
  if (checksum != RecordChecksum(record->count + record->type + record->dataSum, record->address)) {
    *status |= CONV_BAD_CHECKSUM;
    fault->checksumRead = checksum;
    fault->checksumWanted = RecordChecksum(record->count + record->type + record->dataSum, record->address);
    NoteStop(input, back);
    return false;
  }
  return true;
stop:  // a field that failed
  NoteStop(input, back);
  NoteFieldDamage(input, back, field, fault);
  return false;
}

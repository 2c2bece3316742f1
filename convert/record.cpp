#include "convert/record.h"

bool SkipRestOfLine(HexInput *input, ConversionStatus *status) {
  for (;;) {
    size_t available = (size_t)(input->end - input->next);
    const unsigned char *lf = static_cast<const unsigned char *>(memchr(input->next, '\n', available));
    size_t span = lf != nullptr ? (size_t)(lf - input->next) : available;
    const void *mark = memchr(input->next, ':', span);
    if (mark != nullptr) {
      input->next = static_cast<const unsigned char *>(mark) + 1;
      NoteStop(input, 1);
      *status |= CONV_MALFORMED;
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

bool ReadRecord(HexInput *input, HexRecord *record, ConversionStatus *status, unsigned char *checksumRead,
                unsigned char *checksumWanted) {
  unsigned back = 1;  // width of the field being read, to locate a stop
  unsigned char mark, checksum;
  record->dataSum = 0;
  if (ReadInput(input, &mark, 1) != 1 || mark != ':') goto stop;
  back = 2;
  if (!ReadHexByte(input, &record->count, status)) goto stop;
  memcpy(record->countText, input->FieldText, 2);
  back = 4;
  if (!ReadHexWord(input, &record->address, status)) goto stop;
  back = 2;
  if (!ReadHexByte(input, &record->type, status)) goto stop;
  memcpy(record->typeText, input->FieldText, 2);
  if (record->type == 1) {
    *status |= CONV_END_RECORD;
    goto stop;
  }
  if (record->type > 5) {
    *status |= CONV_MALFORMED;
    goto stop;
  }
  for (unsigned i = 0; i < record->count; i++) {
    if (!ReadHexByte(input, &record->data[i], status)) goto stop;
    memcpy(record->text + 2 * i, input->FieldText, 2);
    record->dataSum = (unsigned char)(record->dataSum + record->data[i]);
  }
  if (!ReadHexByte(input, &checksum, status)) goto stop;
  if (checksum != RecordChecksum(record->count + record->type + record->dataSum, record->address)) {
    *status |= CONV_BAD_CHECKSUM;
    *checksumRead = checksum;
    *checksumWanted = RecordChecksum(record->count + record->type + record->dataSum, record->address);
    goto stop;
  }
  return true;
stop:
  NoteStop(input, back);
  return false;
}

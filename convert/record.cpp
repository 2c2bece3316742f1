#include "convert/record.h"

void SkipRestOfLine(HexInput *input) {
  for (;;) {
    const void *lf = memchr(input->next, '\n', (size_t)(input->end - input->next));
    if (lf != nullptr) {
      input->next = static_cast<const unsigned char *>(lf) + 1;
      input->line++;
      input->lineOffset = InputOffset(input);
      return;
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

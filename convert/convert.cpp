#include "convert/convert.h"

static const char UPPER_DIGITS[] = "0123456789ABCDEF";

static void FormatHexByte(unsigned value, unsigned char *text) {
  text[0] = (unsigned char)UPPER_DIGITS[(value >> 4) & 0x0F];
  text[1] = (unsigned char)UPPER_DIGITS[value & 0x0F];
}

// Reads up to and including the next LF. False when the input ran out first.
static bool SkipRestOfLine(HexInput *input) {
  for (;;) {
    const void *lf = memchr(input->next, '\n', (size_t)(input->end - input->next));
    if (lf != nullptr) {
      input->next = static_cast<const unsigned char *>(lf) + 1;
      input->line++;
      input->lineOffset = InputOffset(input);
      return true;
    }
    input->next = input->end;
    if (!RefillInput(input)) return false;
  }
}

// Records where the conversion stopped: `back` bytes before the read
// position (the start of the failing field), or just past the last byte when
// the input ran out, counting any LF that the short field delivered.
static void NoteStop(HexInput *input, unsigned back) {
  unsigned long long offset = InputOffset(input);
  if (input->ended) {
    size_t delivered = input->shortDelivered;
    for (size_t i = 0; i < delivered && i < sizeof input->FieldText; i++) {
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

ConversionStatus ConvertHexFile(HexInput *input, HexOutput *output) {
  ConversionStatus status = 0;
  RecordFields record = {};
  unsigned back = 0;  // width of the field being read, to locate a stop
  for (;;) {
    record.dataSum = 0;
    unsigned char mark;
    back = 1;
    if (ReadInput(input, &mark, 1) != 1 || mark != ':') break;
    WriteOutput(output, ":", 1);

    back = 2;
    if (!ReadHexByte(input, &record.count, &status)) break;
    WriteOutput(output, input->FieldText, 2);

    back = 4;
    if (!ReadHexWord(input, &record.inputAddress, &status)) break;
    record.outputAddress = (unsigned short)(record.inputAddress >> 1);
    unsigned char address[4];
    FormatHexByte(record.outputAddress >> 8, address);
    FormatHexByte(record.outputAddress & 0xFF, address + 2);
    WriteOutput(output, address, 4);

    back = 2;
    if (!ReadHexByte(input, &record.type, &status)) break;
    WriteOutput(output, input->FieldText, 2);

    if (record.type == 1) {
      status |= CONV_END_RECORD;
    } else if (record.type > 5) {
      status |= CONV_MALFORMED;
    } else {
      for (unsigned i = 0; i < record.count; i++) {
        unsigned char data;
        if (!ReadHexByte(input, &data, &status)) break;
        WriteOutput(output, input->FieldText, 2);
        record.dataSum = (unsigned char)(record.dataSum + data);
      }
    }
    if (status != 0) break;

    if (!ReadHexByte(input, &record.checksum, &status)) break;
    unsigned header = record.count + record.type + record.dataSum;
    unsigned inputSum = header + (record.inputAddress >> 8) + (record.inputAddress & 0xFF);
    if ((unsigned char)(inputSum + record.checksum) != 0) {
      status |= CONV_BAD_CHECKSUM;
      break;
    }
    unsigned outputSum = header + (record.outputAddress >> 8) + (record.outputAddress & 0xFF);
    unsigned char tail[4] = {0, 0, '\r', '\n'};
    FormatHexByte((0u - outputSum) & 0xFF, tail);
    WriteOutput(output, tail, 4);

    back = 0;
    if (!SkipRestOfLine(input)) break;
  }
  NoteStop(input, back);

  // The end-of-file record gets its own checksum, so that a halved non-zero
  // address still yields a record that checksum-verifying readers accept.
  // Every other stop leaves a tail on an output that is going to be deleted.
  unsigned char tail[4] = {'F', 'F', '\r', '\n'};
  if (status == CONV_END_RECORD) {
    unsigned sum = record.count + record.type + (record.outputAddress >> 8) + (record.outputAddress & 0xFF);
    FormatHexByte((0u - sum) & 0xFF, tail);
  }
  WriteOutput(output, tail, 4);
  return status;
}

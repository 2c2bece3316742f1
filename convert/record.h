// Reading one Intel HEX record field by field: the reader that every mode
// shares, and that decides every failure and where it happened.
#ifndef WORDHEX_CONVERT_RECORD_H
#define WORDHEX_CONVERT_RECORD_H

#include "convert/field.h"
#include "convert/stream.h"

enum { MAX_COUNT = 255 };

// Why a file is damaged, beyond where: what the user would look for.
enum Damage {
  DAMAGE_NONE,
  DAMAGE_BOM,            // a UTF-8 byte-order mark before the first record
  DAMAGE_EMPTY_FILE,     // nothing at all
  DAMAGE_EMPTY_LINE,     // a line with nothing on it
  DAMAGE_NO_MARK,        // a line that begins with `byte`, not ':'
  DAMAGE_NOT_DIGIT,      // `byte` in `field`, not a hexadecimal digit
  DAMAGE_LINE_ENDS,      // the line ends inside a record (in `field`)
  DAMAGE_FILE_ENDS,      // the input ends inside a record (in `field`)
  DAMAGE_NO_END,         // the input ends without an end-of-file record
  DAMAGE_TYPE,           // a record type above 5: `byte`
  DAMAGE_SECOND_RECORD,  // a ':' after a record's checksum on its line
};
// The fields of a record, in their order.
enum RecordField { FIELD_COUNT, FIELD_ADDRESS, FIELD_TYPE, FIELD_DATA, FIELD_CHECKSUM };

// What went wrong with a record, besides the status.
struct RecordFault {
  unsigned char checksumRead, checksumWanted;  // a checksum that did not verify
  unsigned char damage;                        // a Damage
  unsigned char byte;                          // the byte or type it names
  unsigned char field;                         // a RecordField
};

// A record as read: its fields, their characters as they stood (case kept),
// and its data bytes.
struct HexRecord {
  unsigned char count;
  unsigned short address;
  unsigned char type;
  unsigned char dataSum;  // modulo 256
  unsigned char countText[2];
  unsigned char typeText[2];
  unsigned char text[2 * MAX_COUNT];  // the data characters
  unsigned char data[MAX_COUNT];
};

// Reads the record at the input's position. True when a record of type 0 or
// 2 to 5 was read whole and its checksum verified; the rest of its line is
// left unread. Otherwise false with the status: CONV_END_RECORD after an
// end-of-file record's type field (nothing after it is read), CONV_MALFORMED,
// CONV_BAD_CHECKSUM (with the checksum as read and as it should be in
// *fault), or 0 when the input ended or a line did not begin with ':';
// input->stopLine/stopColumn then tell where, and *fault why.
bool ReadRecord(HexInput *input, HexRecord *record, ConversionStatus *status, RecordFault *fault);

// Skips the rest of a record's line, up to and including the next LF or to
// the end of the input. A ':' there would be a record that nobody converts:
// false, with CONV_MALFORMED, DAMAGE_SECOND_RECORD and the stop at that ':'.
bool SkipRestOfLine(HexInput *input, ConversionStatus *status, RecordFault *fault);

// Reads the rest of the input after an end-of-file record's type field:
// how many lines after its own begin with ':', and the line of the first.
void CountRecordsAfterEnd(HexInput *input, unsigned long long *records, unsigned long long *firstLine);

// Records where the conversion stopped: `back` bytes before the read
// position (the start of the failing field), or just past the last byte when
// the input ran out, counting any LF that the short field delivered.
void NoteStop(HexInput *input, unsigned back);

// Records a stop at `column` of the line being read.
inline void NoteStopAt(HexInput *input, unsigned column) {
  input->stopLine = input->line;
  input->stopColumn = column;
}

#endif

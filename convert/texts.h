// The texts the user sees, in a catalogue for each language that every face
// reads: the interactive programs (always Russian, their own texts), and
// wordhex-cli and the page (in the user's language). A text with %1 to %9
// takes arguments there. Russian texts are code page 1251, English ones plain
// ASCII, the same in it; another language is another catalogue in
// convert/texts/, listed in convert/texts.cpp.
#ifndef WORDHEX_CONVERT_TEXTS_H
#define WORDHEX_CONVERT_TEXTS_H

enum TextId {
  // The errors: the interactive program's and wordhex-cli's.
  TEXT_CAPTION,
  TEXT_NOT_FOUND,
  TEXT_BAD_CHECKSUM,
  TEXT_DAMAGED,
  TEXT_CANNOT_CREATE,
  TEXT_WRITE_FAILED,
  TEXT_READ_FAILED,
  TEXT_NAME_END,
  TEXT_OUTPUT_IS_INPUT,
  TEXT_STREAMS_ARE_ONE_FILE,
  TEXT_MISALIGNED,
  TEXT_PARTIAL_WORD,
  TEXT_BAD_LENGTH,
  TEXT_OUT_OF_RANGE,
  TEXT_OUTSIDE_MEMORY,
  TEXT_UNORDERED,
  TEXT_INTERRUPTED,
  // What follows an error's text, in brackets.
  TEXT_CHECKSUM_DETAIL,
  TEXT_FILL_OVER_DATA,
  TEXT_REASON_BOM,
  TEXT_REASON_EMPTY_FILE,
  TEXT_REASON_EMPTY_LINE,
  TEXT_REASON_NO_MARK,
  TEXT_REASON_NOT_DIGIT,
  TEXT_FIELD_COUNT,
  TEXT_FIELD_ADDRESS,
  TEXT_FIELD_TYPE,
  TEXT_FIELD_DATA,
  TEXT_FIELD_CHECKSUM,
  TEXT_REASON_LINE_ENDS,
  TEXT_REASON_FILE_ENDS,
  TEXT_REASON_NO_END,
  TEXT_REASON_TYPE,
  TEXT_REASON_SECOND_RECORD,
  // Warnings: each at the line of its first record.
  TEXT_WARN_SEGMENT,
  TEXT_WARN_WRAP,
  TEXT_WARN_LINEAR,
  TEXT_WARN_START,
  TEXT_WARN_ODD,
  TEXT_WARN_AFTER_END,
  TEXT_WARNING,
  TEXT_ERROR,
  // The run's refusals, before anything is converted.
  TEXT_BOTH_WRITTEN,
  TEXT_BOTH_WRITTEN_STDOUT,
  TEXT_WRITTEN_TO_FILE,
  TEXT_WRITTEN_TO_OTHER,
  TEXT_STANDARD_INPUT,
  TEXT_STANDARD_OUTPUT,
  // Usage errors.
  TEXT_TRY_HELP,
  TEXT_BAD_WORD_BITS,
  TEXT_BAD_FILL,
  TEXT_BAD_FILL_HEX,
  TEXT_BAD_FORMAT,
  TEXT_BAD_BASE,
  TEXT_BAD_DEPTH,
  TEXT_BAD_WORDS_PER_RECORD,
  TEXT_FULL_AND_BYTES,
  TEXT_FORMAT_TO_BYTES,
  TEXT_FORMAT_NEEDS_DEPTH,
  TEXT_FORMAT_NEEDS_BOTH,
  TEXT_BASE_NOT_WORD,
  TEXT_RECORDS_HALVED,
  TEXT_RECORDS_FORMAT,
  TEXT_RECORDS_TOO_MANY,
  TEXT_NO_FILE,
  TEXT_STDIN_ONCE,
  TEXT_ONE_FILE_FOR_O,
  TEXT_EMPTY_OUTPUT,
  TEXT_CHECK_NO_O,
  TEXT_TOO_MANY_FILES,
  TEXT_BAD_MAP,
  TEXT_MAP_NO_O,
  TEXT_O_AND_DIR,
  TEXT_NO_DIRECTORY,
  TEXT_PATH_IGNORED,
  TEXT_CONVERSION_PATHS,
  TEXT_CHOSEN,
  TEXT_NAME_TOO_LONG,
  TEXT_MAP_RUN,
  TEXT_MAP_MISREAD,
  TEXT_MAP_START,
  TEXT_MAP_START_BYTE,
  TEXT_MAP_NO_START,
  TEXT_MAP_TOTALS,
  TEXT_MAP_DEPTH,
  TEXT_USAGE,
  TEXT_HELP,
  TEXT_COUNT
};

struct Catalogue {
  const char *language;  // its ISO 639-1 code: "en"
  const char *texts[TEXT_COUNT];
};

// English first: the texts wherever no catalogue fits.
extern const Catalogue *const CATALOGUES[];
extern const unsigned CATALOGUE_COUNT;

// The catalogue of the language that `tag` names ("ru", "ru_RU.UTF-8",
// "ru-RU"): the one whose code it begins with, English for none.
const Catalogue *CatalogueFor(const char *tag);
// The catalogue of what follows; English until then.
void UseCatalogue(const Catalogue *catalogue);
const Catalogue *CurrentCatalogue(void);
// The text `id` in the catalogue in use.
const char *Text(TextId id);

#endif

// wordhex-cli: the conversion for scripts and build pipelines.
#include <getopt.h>
#include <stdlib.h>
#include <string.h>

#include "cli/plan.h"
#include "convert/convert.h"
#include "convert/outcome.h"
#include "convert/paths.h"
#include "frontend/filestream.h"
#include "frontend/map.h"
#include "frontend/naming.h"
#include "frontend/options.h"
#include "frontend/quote.h"
#include "frontend/say.h"
#include "platform/platform.h"

#ifndef WORDHEX_VERSION
#define WORDHEX_VERSION "0"
#endif

// Standard error and output, each piece in the platform's way of its kind;
// a write that failed is remembered.
struct Stream {
  PlatformFile file;
  bool failed;
};
static void PutPiece(void *handle, const char *text, PieceKind kind) {
  static const PlatformTextKind KINDS[] = {PLATFORM_TEXT_CP1251, PLATFORM_TEXT_NATIVE, PLATFORM_TEXT_REASON};
  Stream *stream = static_cast<Stream *>(handle);
  if (!PlatformWriteText(stream->file, text, KINDS[kind])) stream->failed = true;
}
static Stream ErrorStream, OutputStream;
static const Sink Error = {PutPiece, &ErrorStream}, Said = {PutPiece, &OutputStream};

// "wordhex-cli: " and the text `id` with its arguments, a line.
static void SayError(TextId id, const Argument *arguments = nullptr, int count = 0) {
  Say(&Error, "wordhex-cli: ");
  SayText(&Error, id, arguments, count);
  Say(&Error, "\n");
}

// The text `id` with its arguments, then how to use the program: exit
// status 2.
static int UsageError(TextId id, const Argument *arguments = nullptr, int count = 0) {
  if (id != TEXT_COUNT) SayError(id, arguments, count);
  SayText(&Error, TEXT_USAGE);
  SayText(&Error, TEXT_TRY_HELP);
  Say(&Error, "\n");
  return 2;
}

// A usage error about an option's value, which the text quotes.
static int BadValue(TextId id, const char *value) {
  const Argument argument = {value, PIECE_NAME};
  return UsageError(id, &argument, 1);
}

// WORDHEX_CONVERT_PATH names one of the paths that --version lists to force
// it, for diagnostics and benchmarks; one that cannot run here is reported
// and ignored.
static void ForcePathFromEnvironment(void) {
  const char *name = getenv("WORDHEX_CONVERT_PATH");
  if (name == nullptr || name[0] == '\0' || ForceConvertPath(FindConvertPath(name))) return;
  const Argument argument = {name, PIECE_NAME};
  SayError(TEXT_PATH_IGNORED, &argument, 1);
}

// "wordhex-cli VERSION" and the conversion paths that this CPU runs, the
// one chosen last.
static void SayVersion(void) {
  Say(&Said, "wordhex-cli " WORDHEX_VERSION "\n");
  SayText(&Said, TEXT_CONVERSION_PATHS);
  for (unsigned path = 0; path < CONVERT_PATH_COUNT; path++) {
    if (!CONVERT_PATHS[path].runs()) continue;
    Say(&Said, " ");
    Say(&Said, CONVERT_PATHS[path].name);
  }
  Say(&Said, " (");
  SayText(&Said, TEXT_CHOSEN);
  Say(&Said, ": ");
  Say(&Said, CONVERT_PATHS[ActiveConvertPath()].name);
  Say(&Said, ")\n");
}

// "wordhex-cli: PATH: TEXT NAME! (reason)".
static void PrintFailure(const char *path, TextId text, PlatformError error) {
  char reason[256];
  PlatformErrorText(error, reason, sizeof reason);
  Say(&Error, "wordhex-cli: ");
  SayFailure(&Error, path, text, reason);
  Say(&Error, "\n");
}

static bool IsStream(const char *path) { return strcmp(path, "-") == 0; }

// What the options chose.
static ConvertOptions Options;
static char Suffix[16] = OUTPUT_SUFFIX;
static bool Checking, Quiet, Strict;
static bool Mapping;  // --map: the map on standard output, in this form
static MapForm MapAs;

// Both are large; one conversion at a time.
static HexInput Input;
static HexOutput Output;
static ConvertReport Report;

enum { RUN_CONVERTED = 0, RUN_FAILED = 1, RUN_READER_GONE = 141 };

// Tells why `output` could not be opened for `inputPath`.
static void PrintUnopenedOutput(const char *inputPath, const char *output) {
  PlatformError error = PlatformLastError();
  if (error != PLATFORM_ERROR_IS_INPUT) {
    PrintFailure(output, TEXT_CANNOT_CREATE, error);
  } else if (IsStream(inputPath) && IsStream(output)) {
    Say(&Error, "wordhex-cli: -: ");
    SayText(&Error, TEXT_STREAMS_ARE_ONE_FILE);
    Say(&Error, "\n");
  } else {
    PrintFailure(output, TEXT_OUTPUT_IS_INPUT, 0);
  }
}

// Prints each warning that the last conversion gives cause for, in the
// order of their lines, as a failure under --strict.
static void PrintWarnings(const char *inputPath) {
  Warning order[WARNING_COUNT];
  int count = OrderWarnings(&Report, order);
  for (int i = 0; i < count && !(Quiet && !Strict); i++) {
    Say(&Error, "wordhex-cli: ");
    SayWarning(&Error, inputPath, &Report, order[i], Strict);
    Say(&Error, "\n");
  }
}

// "wordhex-cli: FILE:LINE:COLUMN: TEXT", and why.
static void PrintStop(const char *inputPath, Outcome outcome) {
  Say(&Error, "wordhex-cli: ");
  SayStop(&Error, inputPath, Input.stopLine, Input.stopColumn, outcome, &Report);
  Say(&Error, "\n");
}

// Opens the planned output of `file`; says why when it cannot.
static bool OpenOutput(const PlannedFile *file, PlatformOutput *out) {
  if (file->tooLong) {
    PrintFailure(file->output, TEXT_CANNOT_CREATE, PLATFORM_ERROR_NAME_TOO_LONG);
    return false;
  }
  bool opened =
      IsStream(file->output) ? PlatformStandardOutputStream(out) : PlatformCreateOutput(file->output, false, out);
  if (!opened) PrintUnopenedOutput(file->input, file->output);
  return opened;
}

// Converts one planned FILE; says why when it failed.
static int ConvertOne(const PlannedFile *file) {
  static PlatformOutput out;
  const char *input = file->input, *output = file->output;
  PlatformFile in = PLATFORM_NO_FILE;
  if (IsStream(input)) {
    in = PlatformStandardInput();
  } else if (!PlatformOpenForReading(input, &in)) {
    PlatformError error = PlatformLastError();
    PrintFailure(input, error == PLATFORM_ERROR_IS_INPUT ? TEXT_OUTPUT_IS_INPUT : TEXT_NOT_FOUND,
                 error == PLATFORM_ERROR_IS_INPUT ? 0 : error);
    return RUN_FAILED;
  }
  if (!Checking && !OpenOutput(file, &out)) {
    PlatformClose(in);
    return RUN_FAILED;
  }

  FileFaults faults;
  static MapWriter map;
  if (Mapping) BeginMap(&map, &Said, MapAs, input);
  Options.map = Mapping ? &map.hook : nullptr;
  ConversionStatus status = ConvertFiles(in, Checking ? nullptr : &out, &Options, &Input, &Output, &Report, &faults);
  bool written = !faults.writeFailed;
  // Under --strict a warning fails the file; it says why, after the map.
  bool refused = status == CONV_END_RECORD && Warned(&Report) && Strict;
  if (Mapping) EndMap(&map, &Report, &Options, status == CONV_END_RECORD && !refused);
  if (status == CONV_END_RECORD) PrintWarnings(input);
  if (status == CONV_END_RECORD && written && !refused) {
    if (Checking || PlatformFinishOutput(&out, &written)) return RUN_CONVERTED;
  } else if (!Checking) {
    PlatformAbandonOutput(&out);
  }
  if (faults.writeFailed && PlatformIsBrokenPipe(faults.writeError)) return RUN_READER_GONE;

  Outcome outcome = refused ? OUTCOME_CONVERTED : OutcomeOf(status, &Report, faults.readFailed, !written, false);
  if (outcome == OUTCOME_WRITE_FAILED || outcome == OUTCOME_NOT_PLACED) {
    PrintFailure(output, OutcomeText(outcome), faults.writeFailed ? faults.writeError : PlatformLastError());
  } else if (outcome == OUTCOME_READ_FAILED) {
    PrintFailure(input, OutcomeText(outcome), faults.readError);
  } else if (outcome != OUTCOME_CONVERTED) {
    PrintStop(input, outcome);
  }
  if (!Checking) PlatformRemoveOutput(&out);
  return RUN_FAILED;
}

// A FILE or an output as the refusals name them: the standard streams in words.
static Argument Named(const char *path, TextId stream) {
  return IsStream(path) ? Argument{Text(stream), PIECE_TEXT} : Argument{path, PIECE_NAME};
}

// Refuses, before anything is converted, a run in which two FILEs would
// write one output (the second would replace the first, or a failure delete
// it), or one FILE's output is another FILE of the run, by name, through
// links or as the same file, the standard streams among them (it would be
// replaced, before it is read or after).
static bool OutputsApart(void) {
  Clash clash;
  if (!FindClash(&clash)) return true;
  const PlannedFile *writer = Planned(clash.writer), *other = Planned(clash.other);
  Argument arguments[3] = {Named(writer->input, TEXT_STANDARD_INPUT)};
  TextId text;
  if (clash.bothWrite) {
    // The one that names the output names it; the other is standard output.
    bool named = !IsStream(writer->output) || IsStream(other->output);
    arguments[1] = Named(other->input, TEXT_STANDARD_INPUT);
    arguments[2] = Named(named ? writer->output : other->output, TEXT_STANDARD_OUTPUT);
    text = IsStream(writer->output) != IsStream(other->output) ? TEXT_BOTH_WRITTEN_STDOUT : TEXT_BOTH_WRITTEN;
  } else {
    arguments[1] = Named(writer->output, TEXT_STANDARD_OUTPUT);
    arguments[2] = Named(other->input, TEXT_STANDARD_INPUT);
    text = strcmp(writer->output, other->input) != 0 ? TEXT_WRITTEN_TO_OTHER : TEXT_WRITTEN_TO_FILE;
  }
  SayError(text, arguments, 3);
  return false;
}

// The user's language: every text, the system's reasons too.
static void UseUsersLanguage(void) {
  char tag[64];
  PlatformLanguage(tag, sizeof tag);
  UseCatalogue(CatalogueFor(tag));
  PlatformUseLanguage(CurrentCatalogue()->language);
}

int main(int argc, char **argv) {
  unsigned char leadRanges[PLATFORM_LEAD_BYTE_RANGES], trailRanges[PLATFORM_TRAIL_BYTE_RANGES];
  PlatformStartup(leadRanges, trailRanges);
  SetByteRanges(leadRanges, trailRanges);
  SetPathDrives(PLATFORM_PATH_DRIVES);
  ErrorStream.file = PlatformStandardError();
  OutputStream.file = PlatformStandardOutput();
  UseUsersLanguage();
  static char interrupted[256] = "wordhex-cli: ";
  strcat(strcat(interrupted, Text(TEXT_INTERRUPTED)), "\n");
  PlatformCatchInterrupts(interrupted);
  ForcePathFromEnvironment();

  enum { FULL = 256, TO_BYTES, CHECK, WORD_BITS, SWAP, FILL, STRICT, FORMAT, BASE, DEPTH, WORDS_PER_RECORD, MAP };
  static const struct option LONG_OPTIONS[] = {
      {"full-address", no_argument, nullptr, FULL},
      {"to-bytes", no_argument, nullptr, TO_BYTES},
      {"check", no_argument, nullptr, CHECK},
      {"word-bits", required_argument, nullptr, WORD_BITS},
      {"swap-bytes", no_argument, nullptr, SWAP},
      {"fill", required_argument, nullptr, FILL},
      {"format", required_argument, nullptr, FORMAT},
      {"base", required_argument, nullptr, BASE},
      {"depth", required_argument, nullptr, DEPTH},
      {"words-per-record", required_argument, nullptr, WORDS_PER_RECORD},
      {"map", optional_argument, nullptr, MAP},
      {"output-dir", required_argument, nullptr, 'd'},
      {"strict", no_argument, nullptr, STRICT},
      {"quiet", no_argument, nullptr, 'q'},
      {"output", required_argument, nullptr, 'o'},
      {"help", no_argument, nullptr, 'h'},
      {"version", no_argument, nullptr, 'V'},
      {nullptr, 0, nullptr, 0},
  };
  const char *outputOption = nullptr, *directory = nullptr;
  OptionChoices choices = DEFAULT_CHOICES;
  argv[0] = const_cast<char *>("wordhex-cli");  // the name getopt_long's messages give, as ours do
  for (int option; (option = getopt_long(argc, argv, "qo:d:hV", LONG_OPTIONS, nullptr)) != -1;) {
    switch (option) {
      case FULL:
        choices.full = true;
        break;
      case TO_BYTES:
        choices.toBytes = true;
        break;
      case CHECK:
        Checking = true;
        break;
      case WORD_BITS:
        if (!ParseWordBits(optarg, &choices.wordBytes)) {
          return BadValue(TEXT_BAD_WORD_BITS, optarg);
        }
        break;
      case SWAP:
        choices.swap = true;
        break;
      case FILL:
        if (!ParseFill(optarg, &choices.fill)) {
          return BadValue(FillProblem(optarg), optarg);
        }
        break;
      case FORMAT:
        if (!ParseFormat(optarg, &choices.format)) return BadValue(TEXT_BAD_FORMAT, optarg);
        break;
      case BASE:
        choices.baseGiven = true;
        if (!ParseAddress(optarg, &choices.base)) {
          return BadValue(TEXT_BAD_BASE, optarg);
        }
        break;
      case DEPTH:
        choices.depthGiven = true;
        if (!ParseDepth(optarg, &choices.depth)) {
          return BadValue(TEXT_BAD_DEPTH, optarg);
        }
        break;
      case WORDS_PER_RECORD:
        if (!ParseWordsPerRecord(optarg, &choices.wordsPerRecord)) {
          return BadValue(TEXT_BAD_WORDS_PER_RECORD, optarg);
        }
        break;
      case STRICT:
        Strict = true;
        break;
      case 'q':
        Quiet = true;
        break;
      case 'o':
        outputOption = optarg;
        break;
      case 'd':
        directory = optarg;
        break;
      case MAP:
        Mapping = Checking = true;
        MapAs = optarg != nullptr && strcmp(optarg, "json") == 0 ? MAP_JSON : MAP_TEXT;
        if (optarg != nullptr && MapAs != MAP_JSON && strcmp(optarg, "text") != 0)
          return BadValue(TEXT_BAD_MAP, optarg);
        break;
      case 'h':
        SayText(&Said, TEXT_USAGE);
        SayText(&Said, TEXT_HELP);
        return OutputStream.failed ? 1 : 0;
      case 'V':
        SayVersion();
        return OutputStream.failed ? 1 : 0;
      default:  // getopt_long has said what was wrong, under the program's name
        return UsageError(TEXT_COUNT);
    }
  }
  char **files = argv + optind;
  int count = argc - optind;
  // A filter when used as one: no FILE, and standard input not a terminal.
  static char *standardInput[] = {const_cast<char *>("-")};
  if (count == 0 && !PlatformIsTerminal(PlatformStandardInput())) files = standardInput, count = 1;
  int streams = 0;
  for (int i = 0; i < count; i++) streams += IsStream(files[i]);

  OptionProblem problem = ChooseOptions(&choices, &Options);
  if (problem != OPTIONS_AGREE) {
    Argument arguments[4];
    TextId text = DescribeOptionProblem(problem, &choices, arguments);
    return UsageError(text, arguments, 4);
  }
  if (count == 0) return UsageError(TEXT_NO_FILE);
  if (streams > 1) return UsageError(TEXT_STDIN_ONCE);
  if (outputOption != nullptr && count > 1) return UsageError(TEXT_ONE_FILE_FOR_O);
  if (outputOption != nullptr && outputOption[0] == '\0') return UsageError(TEXT_EMPTY_OUTPUT);
  if (Mapping && (outputOption != nullptr || directory != nullptr)) return UsageError(TEXT_MAP_NO_O);
  if (Checking && outputOption != nullptr) return UsageError(TEXT_CHECK_NO_O);
  if (outputOption != nullptr && directory != nullptr) return UsageError(TEXT_O_AND_DIR);
  if (directory != nullptr && !Checking && !PlatformIsDirectory(directory)) {
    PrintFailure(directory, TEXT_NO_DIRECTORY, PlatformLastError());  // not made: a typo would leave a tree
    return 2;
  }
  Options.strict = Strict;
  OutputSuffix(&Options, Suffix);
  if (!PlanRun(files, count, outputOption, directory, Suffix, Checking)) return UsageError(TEXT_TOO_MANY_FILES);
  if (!Checking && !OutputsApart()) return 2;

  int status = RUN_CONVERTED;
  for (int i = 0; i < count; i++) {
    int run = ConvertOne(Planned(i));
    if (run == RUN_READER_GONE) return run;
    if (run != RUN_CONVERTED) status = RUN_FAILED;
  }
  return status;
}

// wordhex-cli: the conversion for scripts and build pipelines.
#include <getopt.h>
#include <stdlib.h>
#include <string.h>

#include "cli/plan.h"
#include "convert/convert.h"
#include "convert/messages.h"
#include "convert/outcome.h"
#include "convert/paths.h"
#include "frontend/filestream.h"
#include "frontend/naming.h"
#include "frontend/options.h"
#include "frontend/quote.h"
#include "platform/platform.h"

#ifndef WORDHEX_VERSION
#define WORDHEX_VERSION "0"
#endif

static const char USAGE[] =
    "Usage: wordhex-cli [--full-address | --to-bytes] [--word-bits=N] [--swap-bytes] [--fill=BYTE]\n"
    "                   [--format=FORMAT] [--base=ADDRESS] [--depth=WORDS] [--words-per-record=K]\n"
    "                   [--check] [--strict] [-q] [-o OUTPUT] [FILE]...\n";
static const char HELP[] =
    "Converts Intel HEX files with byte addresses into Intel HEX files with word\n"
    "addresses, and back, or into the word images that memories load:\n"
    "checksums verified and recomputed, data untouched.\n"
    "\n"
    "Each FILE is written beside itself as BASE_I16.hex (BASE_IN.hex for N-bit\n"
    "words, BASE_I8.hex with --to-bytes, BASE_IN.mem, .mif or .coe in those\n"
    "formats), or into OUTPUT with -o (then exactly one FILE). '-' as FILE, or no\n"
    "FILE when standard input is not a terminal, reads standard input and writes\n"
    "standard output; '-o -' writes standard output.\n"
    "\n"
    "Modes:\n"
    "      --full-address   make every byte's whole address a word address: type 02\n"
    "                       and 04 bases included, start addresses converted; data\n"
    "                       not at the start of a word fails\n"
    "      --to-bytes       the inverse: word addresses back to byte addresses\n"
    "      --check          verify each FILE as it would be converted; write nothing\n"
    "  (without either, each record's address field is halved, all else as read)\n"
    "\n"
    "Words:\n"
    "      --word-bits=N    words of N bits: 16 (the default), 24, 32, 40, 48, 56 or\n"
    "                       64; other than 16, whole addresses as --full-address\n"
    "      --swap-bytes     reverse the bytes within each word (whole addresses); a\n"
    "                       record that ends inside a word fails, unless --fill\n"
    "      --fill=BYTE      complete a record's last word with BYTE (0xHH or 0 to\n"
    "                       255; whole addresses)\n"
    "\n"
    "Memories (whole addresses):\n"
    "      --format=FORMAT  ihex (the default), vmem (Verilog $readmemh), mif\n"
    "                       (Intel, needs --depth) or coe (Xilinx, needs --depth\n"
    "                       and --fill); a word's first byte is its most\n"
    "                       significant digits, so little-endian processors want\n"
    "                       --swap-bytes\n"
    "      --base=ADDRESS   the byte address where the memory starts (0xHEX or\n"
    "                       decimal): word 0; data below it fail\n"
    "      --depth=WORDS    the memory's size in words; data beyond it fail; with\n"
    "                       --fill, vmem and coe hold every word\n"
    "      --words-per-record=K\n"
    "                       Intel HEX data records of at most K words\n"
    "\n"
    "Checking:\n"
    "      --strict         fail a FILE for what would be a warning\n"
    "  -q, --quiet          no warnings\n"
    "\n"
    "Output:\n"
    "  -o, --output=OUTPUT  write the converted image to OUTPUT\n"
    "  -h, --help           show this help and exit\n"
    "  -V, --version        show the version and the conversion paths, and exit\n"
    "\n"
    "Exit status: 0 when every FILE converted, 1 when any failed, 2 for a usage error.\n";

static void Print(const char *text) { PlatformWriteText(PlatformStandardError(), text, false); }

static void PrintRussian(const char *cp1251) { PlatformWriteText(PlatformStandardError(), cp1251, true); }

static void PrintNumber(unsigned long long value) {
  char digits[24];
  FormatDecimal(digits, value);
  Print(digits);
}

// A file name as messages show it: quoted when it holds control characters,
// so that every message stays one line.
static void PrintName(const char *name) {
  static char quoted[10 * PLATFORM_PATH_SIZE];  // nine bytes at most for one: '$'\001''
  QuoteName(name, quoted, sizeof quoted);
  Print(quoted);
}

// The system's reason, in brackets; nothing when it has none.
static void PrintReason(PlatformError error) {
  char text[256];
  PlatformErrorText(error, text, sizeof text);
  if (text[0] == '\0') return;
  Print(" (");
  Print(text);
  Print(")");
}

// "wordhex-cli: PATH: TEXT NAME! (reason)", where NAME is the file name part
// of PATH, or all of it when that is empty.
static void PrintFailure(const char *path, const char *text, PlatformError error) {
  const char *name = path + NameStart(path);
  Print("wordhex-cli: ");
  PrintName(path);
  Print(": ");
  PrintRussian(text);
  PrintName(name[0] != '\0' ? name : path);
  PrintRussian(TEXT_NAME_END);
  PrintReason(error);
  Print("\n");
}

// "wordhex-cli: PROBLEMDETAIL" (none when null) and how to use the program.
static int UsageError(const char *problem, const char *detail) {
  if (problem != nullptr) {
    Print("wordhex-cli: ");
    Print(problem);
    Print(detail);
    Print("\n");
  }
  Print(USAGE);
  Print("Try 'wordhex-cli --help' for more information.\n");
  return 2;
}

// WORDHEX_CONVERT_PATH names one of the paths that --version lists to force
// it, for diagnostics and benchmarks; one that cannot run here is reported
// and ignored.
static void ForcePathFromEnvironment(void) {
  const char *name = getenv("WORDHEX_CONVERT_PATH");
  if (name == nullptr || name[0] == '\0' || ForceConvertPath(FindConvertPath(name))) return;
  Print("wordhex-cli: WORDHEX_CONVERT_PATH=");
  Print(name);
  Print(" cannot run here; ignored\n");
}

// "wordhex-cli VERSION" and the conversion paths that this CPU runs, the
// one chosen last.
static bool PrintVersion(void) {
  PlatformFile out = PlatformStandardOutput();
  bool shown = PlatformWriteText(out, "wordhex-cli " WORDHEX_VERSION "\nconversion paths:", false);
  for (unsigned path = 0; path < CONVERT_PATH_COUNT; path++) {
    if (CONVERT_PATHS[path].runs()) shown = shown && PlatformWriteText(out, " ", false);
    if (CONVERT_PATHS[path].runs()) shown = shown && PlatformWriteText(out, CONVERT_PATHS[path].name, false);
  }
  shown = shown && PlatformWriteText(out, " (chosen: ", false) &&
          PlatformWriteText(out, CONVERT_PATHS[ActiveConvertPath()].name, false);
  return shown && PlatformWriteText(out, ")\n", false);
}

static bool IsStream(const char *path) { return strcmp(path, "-") == 0; }

// What the options chose.
static ConvertOptions Options;
static char Suffix[16] = OUTPUT_SUFFIX;
static bool Checking, Quiet, Strict;

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
    Print("wordhex-cli: -: ");
    PrintRussian(TEXT_STREAMS_ARE_ONE_FILE "\n");
  } else {
    PrintFailure(output, TEXT_OUTPUT_IS_INPUT, 0);
  }
}

// Prints each warning that the last conversion gives cause for, in the
// order of their lines, as a failure under --strict; true when there was one.
static bool PrintWarnings(const char *inputPath) {
  Warning order[WARNING_COUNT];
  int count = OrderWarnings(&Report, order);
  for (int i = 0; i < count && !(Quiet && !Strict); i++) {
    Warning warning = order[i];
    unsigned long long line = WarningLine(&Report, warning);
    char text[160];
    FormatWarning(&Report, warning, text);
    Print("wordhex-cli: ");
    PrintName(inputPath);
    Print(":");
    PrintNumber(line);
    Print(Strict ? ": error: " : ": warning: ");
    Print(text);
    Print(Strict ? " [--strict]\n" : "\n");
  }
  return count > 0;
}

// "wordhex-cli: FILE:LINE:COLUMN: TEXT", the checksums for a mismatch.
static void PrintStop(const char *inputPath, Outcome outcome) {
  Print("wordhex-cli: ");
  PrintName(inputPath);
  Print(":");
  PrintNumber(Input.stopLine);
  Print(":");
  PrintNumber(Input.stopColumn);
  Print(": ");
  PrintRussian(OutcomeText(outcome));
  char detail[80];
  FormatDetail(outcome, &Report, detail);
  PrintRussian(detail);
  Print("\n");
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
  ConversionStatus status = ConvertFiles(in, Checking ? nullptr : &out, &Options, &Input, &Output, &Report, &faults);
  bool written = !faults.writeFailed;
  // Under --strict a warning fails the file; it has said why.
  bool refused = status == CONV_END_RECORD && PrintWarnings(input) && Strict;
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
static void PrintFile(const char *path, const char *stream) { IsStream(path) ? Print(stream) : PrintName(path); }

// Refuses, before anything is converted, a run in which two FILEs would
// write one output (the second would replace the first, or a failure delete
// it), or one FILE's output is another FILE of the run, by name, through
// links or as the same file, the standard streams among them (it would be
// replaced, before it is read or after).
static bool OutputsApart(void) {
  Clash clash;
  if (!FindClash(&clash)) return true;
  const PlannedFile *writer = Planned(clash.writer), *other = Planned(clash.other);
  Print("wordhex-cli: ");
  PrintFile(writer->input, "standard input");
  if (clash.bothWrite) {
    Print(" and ");
    PrintFile(other->input, "standard input");
    // The one that names the output names it; the other is standard output.
    bool named = !IsStream(writer->output) || IsStream(other->output);
    Print(" would both be written to ");
    PrintFile(named ? writer->output : other->output, "standard output");
    Print(IsStream(writer->output) != IsStream(other->output) ? ", which is standard output\n" : "\n");
    return false;
  }
  Print(" would be written to ");
  PrintFile(writer->output, "standard output");
  if (strcmp(writer->output, other->input) != 0) {
    Print(", which is ");
    PrintFile(other->input, "standard input");
  }
  Print(", another FILE of this run\n");
  return false;
}

// A usage error about an option's value: "TEXT, not 'VALUE'".
static int BadValue(const char *problem, const char *value) {
  static char quoted[PLATFORM_PATH_SIZE + 16];
  size_t length = strlen(value) < (size_t)PLATFORM_PATH_SIZE ? strlen(value) : (size_t)PLATFORM_PATH_SIZE;
  quoted[0] = '\'';
  memcpy(quoted + 1, value, length);
  strcpy(quoted + 1 + length, "'");
  return UsageError(problem, quoted);
}

int main(int argc, char **argv) {
  unsigned char leadRanges[PLATFORM_LEAD_BYTE_RANGES], trailRanges[PLATFORM_TRAIL_BYTE_RANGES];
  PlatformStartup(leadRanges, trailRanges);
  SetByteRanges(leadRanges, trailRanges);
  SetPathDrives(PLATFORM_PATH_DRIVES);
  PlatformCatchInterrupts("wordhex-cli: " TEXT_INTERRUPTED "\n");
  ForcePathFromEnvironment();

  enum { FULL = 256, TO_BYTES, CHECK, WORD_BITS, SWAP, FILL, STRICT, FORMAT, BASE, DEPTH, WORDS_PER_RECORD };
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
      {"strict", no_argument, nullptr, STRICT},
      {"quiet", no_argument, nullptr, 'q'},
      {"output", required_argument, nullptr, 'o'},
      {"help", no_argument, nullptr, 'h'},
      {"version", no_argument, nullptr, 'V'},
      {nullptr, 0, nullptr, 0},
  };
  const char *outputOption = nullptr;
  OptionChoices choices = DEFAULT_CHOICES;
  argv[0] = const_cast<char *>("wordhex-cli");  // the name getopt_long's messages give, as ours do
  for (int option; (option = getopt_long(argc, argv, "qo:hV", LONG_OPTIONS, nullptr)) != -1;) {
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
          return BadValue("--word-bits takes 16, 24, 32, 40, 48, 56 or 64, not ", optarg);
        }
        break;
      case SWAP:
        choices.swap = true;
        break;
      case FILL:
        if (!ParseFill(optarg, &choices.fill)) {
          return BadValue("--fill takes 0x and one or two hexadecimal digits, or 0 to 255, not ", optarg);
        }
        break;
      case FORMAT:
        if (!ParseFormat(optarg, &choices.format))
          return BadValue("--format takes ihex, vmem, mif or coe, not ", optarg);
        break;
      case BASE:
        choices.baseGiven = true;
        if (!ParseAddress(optarg, &choices.base)) {
          return BadValue("--base takes 0x and hexadecimal digits, or a decimal number, below 4 Gi, not ", optarg);
        }
        break;
      case DEPTH:
        choices.depthGiven = true;
        if (!ParseDepth(optarg, &choices.depth)) {
          return BadValue("--depth takes 0x and hexadecimal digits, or a decimal number, from 1 to 4 Gi, not ", optarg);
        }
        break;
      case WORDS_PER_RECORD:
        if (!ParseWordsPerRecord(optarg, &choices.wordsPerRecord)) {
          return BadValue("--words-per-record takes a number from 1 on, not ", optarg);
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
      case 'h':
        return PlatformWriteText(PlatformStandardOutput(), USAGE, false) &&
                       PlatformWriteText(PlatformStandardOutput(), HELP, false)
                   ? 0
                   : 1;
      case 'V':
        return PrintVersion() ? 0 : 1;
      default:  // getopt_long has said what was wrong, under the program's name
        return UsageError(nullptr, nullptr);
    }
  }
  char **files = argv + optind;
  int count = argc - optind;
  // A filter when used as one: no FILE, and standard input not a terminal.
  static char *standardInput[] = {const_cast<char *>("-")};
  if (count == 0 && !PlatformIsTerminal(PlatformStandardInput())) files = standardInput, count = 1;
  int streams = 0;
  for (int i = 0; i < count; i++) streams += IsStream(files[i]);

  static char problem[200];
  OptionProblem problemKind = ChooseOptions(&choices, &Options);
  FormatOptionProblem(problemKind, &choices, problem);
  if (problemKind != OPTIONS_AGREE) return UsageError(problem, "");
  if (count == 0) return UsageError("no FILE given, and standard input is a terminal", "");
  if (streams > 1) return UsageError("standard input ('-') can be read only once", "");
  if (outputOption != nullptr && count > 1) return UsageError("-o takes exactly one FILE", "");
  if (outputOption != nullptr && outputOption[0] == '\0') return UsageError("empty OUTPUT", "");
  if (Checking && outputOption != nullptr) return UsageError("--check writes nothing: no -o", "");
  Options.strict = Strict;
  OutputSuffix(&Options, Suffix);
  if (!PlanRun(files, count, outputOption, Suffix, Checking)) return UsageError("too many FILEs for one run", "");
  if (!Checking && !OutputsApart()) return 2;

  int status = RUN_CONVERTED;
  for (int i = 0; i < count; i++) {
    int run = ConvertOne(Planned(i));
    if (run == RUN_READER_GONE) return run;
    if (run != RUN_CONVERTED) status = RUN_FAILED;
  }
  return status;
}

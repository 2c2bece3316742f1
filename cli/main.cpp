// wordhex-cli: the conversion for scripts and build pipelines.
#include <getopt.h>
#include <stdlib.h>
#include <string.h>

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
    "                   [--check] [--strict] [-q] [-o OUTPUT] [FILE]...\n";
static const char HELP[] =
    "Converts Intel HEX files with byte addresses into Intel HEX files with word\n"
    "addresses, and back: checksums verified and recomputed, data untouched.\n"
    "\n"
    "Each FILE is written beside itself as BASE_I16.hex (BASE_IN.hex for N-bit\n"
    "words, BASE_I8.hex with --to-bytes), or into OUTPUT with -o (then exactly one\n"
    "FILE). '-' as FILE, or no FILE when standard input is not a terminal, reads\n"
    "standard input and writes standard output; '-o -' writes standard output.\n"
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
  static char drive[DRIVE_SIZE], directory[PLATFORM_DIRECTORY_SIZE];
  static char baseName[PLATFORM_COMPONENT_SIZE], extension[PLATFORM_COMPONENT_SIZE];
  SplitPath(path, drive, directory, baseName, extension);
  Print("wordhex-cli: ");
  PrintName(path);
  Print(": ");
  PrintRussian(text);
  static char name[PLATFORM_COMPONENT_SIZE * 2];
  strcpy(name, baseName);
  PrintName(name[0] == '\0' && extension[0] == '\0' ? path : strcat(name, extension));
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

// Opens `outputPath` as the output for `inputPath`, unless no name could be
// made for it (`named` false: too long a path); says why when it cannot.
static bool OpenOutput(const char *inputPath, const char *outputPath, bool named, PlatformOutput *out) {
  static char drive[DRIVE_SIZE], directory[PLATFORM_DIRECTORY_SIZE];
  static char baseName[PLATFORM_COMPONENT_SIZE], extension[PLATFORM_COMPONENT_SIZE];
  if (!named) {
    // Too long a path: say which file could not be made, in full.
    SplitPath(inputPath, drive, directory, baseName, extension);
    Print("wordhex-cli: ");
    PrintName(drive);
    PrintName(directory);
    PrintName(baseName);
    Print(Suffix);
    Print(": ");
    PrintRussian(TEXT_CANNOT_CREATE);
    PrintName(baseName);
    Print(Suffix);
    PrintRussian(TEXT_NAME_END);
    PrintReason(PLATFORM_ERROR_NAME_TOO_LONG);
    Print("\n");
    return false;
  }
  bool opened = IsStream(outputPath) ? PlatformStandardOutputStream(out) : PlatformCreateOutput(outputPath, false, out);
  if (!opened) PrintUnopenedOutput(inputPath, outputPath);
  return opened;
}

// Converts one file into `outputPath` (standard output for "-"), or into
// the output named beside it when that is null; says why when it failed.
static int ConvertOne(const char *inputPath, const char *outputPath) {
  static char drive[DRIVE_SIZE], directory[PLATFORM_DIRECTORY_SIZE];
  static char baseName[PLATFORM_COMPONENT_SIZE], extension[PLATFORM_COMPONENT_SIZE];
  static char besidePath[PLATFORM_PATH_SIZE];
  static PlatformOutput out;

  bool named = MakeOutputPathWithSuffix(inputPath, Suffix, drive, directory, baseName, extension, besidePath);
  if (IsStream(inputPath) && outputPath == nullptr) outputPath = "-";
  PlatformFile in = PLATFORM_NO_FILE;
  if (IsStream(inputPath)) {
    in = PlatformStandardInput();
  } else if (!PlatformOpenForReading(inputPath, &in)) {
    PlatformError error = PlatformLastError();
    PrintFailure(inputPath, error == PLATFORM_ERROR_IS_INPUT ? TEXT_OUTPUT_IS_INPUT : TEXT_NOT_FOUND,
                 error == PLATFORM_ERROR_IS_INPUT ? 0 : error);
    return RUN_FAILED;
  }
  const char *output = outputPath != nullptr ? outputPath : besidePath;
  if (!Checking && !OpenOutput(inputPath, output, named || outputPath != nullptr, &out)) {
    PlatformClose(in);
    return RUN_FAILED;
  }

  FileFaults faults;
  ConversionStatus status = ConvertFiles(in, Checking ? nullptr : &out, &Options, &Input, &Output, &Report, &faults);
  bool written = !faults.writeFailed;
  // Under --strict a warning fails the file; it has said why.
  bool refused = status == CONV_END_RECORD && PrintWarnings(inputPath) && Strict;
  if (status == CONV_END_RECORD && written && !refused) {
    if (Checking || PlatformFinishOutput(&out, &written)) return RUN_CONVERTED;
  } else if (!Checking) {
    PlatformAbandonOutput(&out);
  }
  if (faults.writeFailed && PlatformIsBrokenPipe(faults.writeError)) return RUN_READER_GONE;

  Outcome outcome = refused ? OUTCOME_CONVERTED : OutcomeOf(status, faults.readFailed, !written, false);
  if (outcome == OUTCOME_WRITE_FAILED || outcome == OUTCOME_NOT_PLACED) {
    PrintFailure(output, OutcomeText(outcome), faults.writeFailed ? faults.writeError : PlatformLastError());
  } else if (outcome == OUTCOME_READ_FAILED) {
    PrintFailure(inputPath, OutcomeText(outcome), faults.readError);
  } else if (outcome != OUTCOME_CONVERTED) {
    PrintStop(inputPath, outcome);
  }
  if (!Checking) PlatformRemoveOutput(&out);
  return RUN_FAILED;
}

// Where a file is or would be: its directory (with the drive), its name, and
// its path.
struct Place {
  char directory[DRIVE_SIZE + PLATFORM_DIRECTORY_SIZE];
  char name[PLATFORM_COMPONENT_SIZE * 2];
  char path[PLATFORM_PATH_SIZE];
};

// The output that FILE `path` would be written to; false when it has none.
static bool OutputPlace(const char *path, Place *place) {
  static char drive[DRIVE_SIZE], folder[PLATFORM_DIRECTORY_SIZE];
  static char baseName[PLATFORM_COMPONENT_SIZE], extension[PLATFORM_COMPONENT_SIZE];
  if (!MakeOutputPathWithSuffix(path, Suffix, drive, folder, baseName, extension, place->path)) return false;
  strcat(strcpy(place->directory, drive), folder);
  strcat(strcpy(place->name, baseName), Suffix);
  return true;
}

// FILE `path` itself (its path is the caller's).
static void FilePlace(const char *path, Place *place) {
  static char drive[DRIVE_SIZE], folder[PLATFORM_DIRECTORY_SIZE];
  static char baseName[PLATFORM_COMPONENT_SIZE], extension[PLATFORM_COMPONENT_SIZE];
  SplitPath(path, drive, folder, baseName, extension);
  strcat(strcpy(place->directory, drive), folder);
  strcat(strcpy(place->name, baseName), extension);
}

static bool SamePlace(const Place *one, const Place *other) {
  return strcmp(one->name, other->name) == 0 && PlatformSameDirectory(one->directory, other->directory);
}

// Refuses, before anything is converted, a run in which two FILEs would
// write one output (the second would replace the first, or a failure delete
// it), or one FILE's output is another FILE of the run, by name, through
// links or as the same file (it would be replaced, before it is read or after).
static bool OutputsApart(char **files, int count) {
  static Place output, other;
  for (int i = 0; i < count; i++) {
    if (IsStream(files[i]) || !OutputPlace(files[i], &output)) continue;
    for (int j = 0; j < count; j++) {
      if (j == i || IsStream(files[j])) continue;
      if (j > i && OutputPlace(files[j], &other) && SamePlace(&output, &other)) {
        Print("wordhex-cli: ");
        PrintName(files[i]);
        Print(" and ");
        PrintName(files[j]);
        Print(" would both be written to ");
        PrintName(output.path);
        Print("\n");
        return false;
      }
      FilePlace(files[j], &other);
      if (SamePlace(&output, &other) || PlatformSameFile(output.path, files[j])) {
        Print("wordhex-cli: ");
        PrintName(files[i]);
        Print(" would be written to ");
        PrintName(output.path);
        if (strcmp(output.path, files[j]) != 0) Print(", which is ");
        if (strcmp(output.path, files[j]) != 0) PrintName(files[j]);
        Print(", another FILE of this run\n");
        return false;
      }
    }
  }
  return true;
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

  enum { FULL = 256, TO_BYTES, CHECK, WORD_BITS, SWAP, FILL, STRICT };
  static const struct option LONG_OPTIONS[] = {
      {"full-address", no_argument, nullptr, FULL}, {"to-bytes", no_argument, nullptr, TO_BYTES},
      {"check", no_argument, nullptr, CHECK},       {"word-bits", required_argument, nullptr, WORD_BITS},
      {"swap-bytes", no_argument, nullptr, SWAP},   {"fill", required_argument, nullptr, FILL},
      {"strict", no_argument, nullptr, STRICT},     {"quiet", no_argument, nullptr, 'q'},
      {"output", required_argument, nullptr, 'o'},  {"help", no_argument, nullptr, 'h'},
      {"version", no_argument, nullptr, 'V'},       {nullptr, 0, nullptr, 0},
  };
  const char *outputOption = nullptr;
  unsigned wordBytes = 2;
  bool full = false, toBytes = false, swap = false;
  short fill = -1;
  argv[0] = const_cast<char *>("wordhex-cli");  // the name getopt_long's messages give, as ours do
  for (int option; (option = getopt_long(argc, argv, "qo:hV", LONG_OPTIONS, nullptr)) != -1;) {
    switch (option) {
      case FULL:
        full = true;
        break;
      case TO_BYTES:
        toBytes = true;
        break;
      case CHECK:
        Checking = true;
        break;
      case WORD_BITS:
        if (!ParseWordBits(optarg, &wordBytes)) {
          return BadValue("--word-bits takes 16, 24, 32, 40, 48, 56 or 64, not ", optarg);
        }
        break;
      case SWAP:
        swap = true;
        break;
      case FILL:
        if (!ParseFill(optarg, &fill)) {
          return BadValue("--fill takes 0x and one or two hexadecimal digits, or 0 to 255, not ", optarg);
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

  if (full && toBytes) return UsageError("--full-address and --to-bytes exclude each other", "");
  if (count == 0) return UsageError("no FILE given, and standard input is a terminal", "");
  if (streams > 1) return UsageError("standard input ('-') can be read only once", "");
  if (outputOption != nullptr && count > 1) return UsageError("-o takes exactly one FILE", "");
  if (outputOption != nullptr && outputOption[0] == '\0') return UsageError("empty OUTPUT", "");
  if (Checking && outputOption != nullptr) return UsageError("--check writes nothing: no -o", "");
  Options = ChooseOptions(full, toBytes, wordBytes, swap, fill);
  Options.strict = Strict;
  OutputSuffix(&Options, Suffix);
  if (!Checking && !OutputsApart(files, count)) return 2;

  int status = RUN_CONVERTED;
  for (int i = 0; i < count; i++) {
    int run = ConvertOne(files[i], outputOption);
    if (run == RUN_READER_GONE) return run;
    if (run != RUN_CONVERTED) status = RUN_FAILED;
  }
  return status;
}

// wordhex-cli: the conversion for scripts and build pipelines.
#include <stdlib.h>
#include <string.h>

#include "convert/convert.h"
#include "convert/messages.h"
#include "convert/paths.h"
#include "frontend/filestream.h"
#include "frontend/naming.h"
#include "frontend/quote.h"
#include "platform/platform.h"

#ifndef WORDHEX_VERSION
#define WORDHEX_VERSION "0"
#endif

static const char USAGE[] = "Usage: wordhex-cli [--full-address | --to-bytes] [--check] [-q] [-o OUTPUT] FILE...\n";
static const char HELP[] =
    "Converts Intel HEX files with byte addresses into Intel HEX files with 16-bit\n"
    "word addresses: every record's address is halved, its checksum verified and\n"
    "recomputed; counts, types and data pass through unchanged.\n"
    "\n"
    "Each FILE is written beside itself as BASE_I16.hex (BASE_I8.hex with\n"
    "--to-bytes), or into OUTPUT with -o (then exactly one FILE). '-' as FILE\n"
    "reads standard input (then -o is required); '-o -' writes standard output.\n"
    "\n"
    "      --full-address   make every byte's whole address a word address: type 02\n"
    "                       and 04 bases included, start addresses halved; data at an\n"
    "                       odd byte address fails\n"
    "      --to-bytes       the inverse: word addresses back to byte addresses\n"
    "      --check          verify each FILE as it would be converted; write nothing\n"
    "  -o, --output=OUTPUT  write the converted image to OUTPUT\n"
    "  -q, --quiet          no warnings\n"
    "      --help           show this help and exit\n"
    "      --version        show the version and exit\n"
    "\n"
    "Exit status: 0 when every FILE converted, 1 when any failed, 2 for a usage error.\n";

static void Print(const char *text) { PlatformWriteText(PlatformStandardError(), text, false); }

static void PrintRussian(const char *cp1251) { PlatformWriteText(PlatformStandardError(), cp1251, true); }

static void PrintNumber(unsigned long long value) {
  char digits[24];
  char *p = digits + sizeof digits - 1;
  *p = '\0';
  do *--p = (char)('0' + value % 10);
  while ((value /= 10) != 0);
  Print(p);
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

static int UsageError(const char *problem, const char *detail) {
  Print("wordhex-cli: ");
  Print(problem);
  Print(detail);
  Print("\n");
  Print(USAGE);
  Print("Try 'wordhex-cli --help' for more information.\n");
  return 2;
}

// WORDHEX_CONVERT_PATH=fields|portable|sse2|avx2 forces one way of
// converting, for diagnostics and benchmarks; one that cannot run here is
// reported and ignored.
static void ForcePathFromEnvironment(void) {
  const char *name = getenv("WORDHEX_CONVERT_PATH");
  if (name == nullptr || name[0] == '\0' || ForceConvertPath(FindConvertPath(name))) return;
  Print("wordhex-cli: WORDHEX_CONVERT_PATH=");
  Print(name);
  Print(" cannot run here; ignored\n");
}

static bool IsStream(const char *path) { return strcmp(path, "-") == 0; }

// What the options chose.
static ConvertOptions Options = ConvertOptionsFor(CONVERT_HALVE, 2);
static const char *Suffix = OUTPUT_SUFFIX;
static bool Checking;
static bool Quiet;

// Both are large; one conversion at a time.
static HexInput Input;
static HexOutput Output;

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

// Converts one file into `outputPath`, or into the output named beside it
// when that is null; says why when it failed.
static int ConvertOne(const char *inputPath, const char *outputPath) {
  static char drive[DRIVE_SIZE], directory[PLATFORM_DIRECTORY_SIZE];
  static char baseName[PLATFORM_COMPONENT_SIZE], extension[PLATFORM_COMPONENT_SIZE];
  static char besidePath[PLATFORM_PATH_SIZE];
  static PlatformOutput out;

  bool named = MakeOutputPathWithSuffix(inputPath, Suffix, drive, directory, baseName, extension, besidePath);
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
  bool opened;
  if (Checking) {
    opened = true;
  } else if (outputPath == nullptr && !named) {
    // Too long a path: say which file could not be made, in full.
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
    opened = false;
  } else {
    opened = IsStream(output) ? PlatformStandardOutputStream(&out) : PlatformCreateOutput(output, false, &out);
    if (!opened) PrintUnopenedOutput(inputPath, output);
  }
  if (!opened) {
    PlatformClose(in);
    return RUN_FAILED;
  }

  FileFaults faults;
  static ConvertReport report;
  ConversionStatus status = ConvertFiles(in, Checking ? nullptr : &out, &Options, &Input, &Output, &report, &faults);
  bool converted = status == CONV_END_RECORD && !faults.writeFailed;
  if (converted && (Checking || PlatformFinishOutput(&out))) {
    if (report.upperLine != 0 && !Quiet) {
      Print("wordhex-cli: ");
      PrintName(inputPath);
      Print(
          ": warning: type 02/04 records give addresses above 64 KiB; their upper address bits were left as they "
          "are (see --full-address)\n");
    }
    return RUN_CONVERTED;
  }
  if (!converted && !Checking) PlatformAbandonOutput(&out);
  if (faults.writeFailed && PlatformIsBrokenPipe(faults.writeError)) return RUN_READER_GONE;

  if (status == CONV_END_RECORD) {
    PrintFailure(output, TEXT_WRITE_FAILED, faults.writeFailed ? faults.writeError : PlatformLastError());
  } else if (faults.readFailed) {
    PrintFailure(inputPath, TEXT_READ_FAILED, faults.readError);
  } else {
    Print("wordhex-cli: ");
    PrintName(inputPath);
    Print(":");
    PrintNumber(Input.stopLine);
    Print(":");
    PrintNumber(Input.stopColumn);
    Print(": ");
    PrintRussian(status == CONV_BAD_CHECKSUM ? TEXT_BAD_CHECKSUM "\n"
                 : status == CONV_MISALIGNED ? TEXT_MISALIGNED "\n"
                                             : TEXT_DAMAGED "\n");
  }
  if (!Checking) PlatformRemoveOutput(&out);
  return RUN_FAILED;
}

// The output `path` would be written to, split: its directory and base name.
static bool OutputPlace(const char *path, char directory[PLATFORM_PATH_SIZE], char baseName[PLATFORM_COMPONENT_SIZE]) {
  static char drive[DRIVE_SIZE], extension[PLATFORM_COMPONENT_SIZE], full[PLATFORM_PATH_SIZE];
  static char folder[PLATFORM_DIRECTORY_SIZE];
  if (!MakeOutputPathWithSuffix(path, Suffix, drive, folder, baseName, extension, full)) return false;
  strcpy(directory, drive);
  strcat(directory, folder);
  return true;
}

// Refuses, before anything is converted, two FILEs that would write one
// output: the second would replace the first, or a failure delete it.
static bool OutputsApart(char **files, int count) {
  static char directory[PLATFORM_PATH_SIZE], otherDirectory[PLATFORM_PATH_SIZE];
  static char baseName[PLATFORM_COMPONENT_SIZE], otherBaseName[PLATFORM_COMPONENT_SIZE];
  for (int i = 0; i < count; i++) {
    if (!OutputPlace(files[i], directory, baseName)) continue;
    for (int j = i + 1; j < count; j++) {
      if (OutputPlace(files[j], otherDirectory, otherBaseName) && strcmp(baseName, otherBaseName) == 0 &&
          PlatformSameDirectory(directory, otherDirectory)) {
        Print("wordhex-cli: ");
        PrintName(files[i]);
        Print(" and ");
        PrintName(files[j]);
        Print(" would both be written to ");
        PrintName(directory);
        PrintName(baseName);
        Print(Suffix);
        Print("\n");
        return false;
      }
    }
  }
  return true;
}

int main(int argc, char **argv) {
  unsigned char leadRanges[PLATFORM_LEAD_BYTE_RANGES], trailRanges[PLATFORM_TRAIL_BYTE_RANGES];
  PlatformStartup(leadRanges, trailRanges);
  SetByteRanges(leadRanges, trailRanges);
  PlatformCatchInterrupts("wordhex-cli: " TEXT_INTERRUPTED "\n");

  // Options may stand anywhere before "--"; everything else is a FILE,
  // gathered at the front of argv in their order.
  const char *outputOption = nullptr;
  int files = 0;
  bool readsStandardInput = false;
  bool optionsEnded = false;
  for (int i = 1; i < argc; i++) {
    char *arg = argv[i];
    if (optionsEnded || arg[0] != '-' || IsStream(arg)) {
      argv[files++] = arg;
      readsStandardInput |= IsStream(arg);
    } else if (strcmp(arg, "--") == 0) {
      optionsEnded = true;
    } else if (strcmp(arg, "--help") == 0) {
      bool shown = PlatformWriteText(PlatformStandardOutput(), USAGE, false) &&
                   PlatformWriteText(PlatformStandardOutput(), HELP, false);
      return shown ? 0 : 1;
    } else if (strcmp(arg, "--version") == 0) {
      return PlatformWriteText(PlatformStandardOutput(), "wordhex-cli " WORDHEX_VERSION "\n", false) ? 0 : 1;
    } else if (strcmp(arg, "--full-address") == 0 || strcmp(arg, "--to-bytes") == 0) {
      ConvertDirection direction = arg[2] == 'f' ? CONVERT_TO_WORDS : CONVERT_TO_BYTES;
      if (Options.direction != CONVERT_HALVE && Options.direction != direction)
        return UsageError("--full-address and --to-bytes exclude each other", "");
      Options.direction = (unsigned char)direction;
      Suffix = direction == CONVERT_TO_BYTES ? "_I8.hex" : OUTPUT_SUFFIX;
    } else if (strcmp(arg, "--check") == 0) {
      Checking = true;
    } else if (strcmp(arg, "-q") == 0 || strcmp(arg, "--quiet") == 0) {
      Quiet = true;
    } else if (strcmp(arg, "-o") == 0 || strcmp(arg, "--output") == 0) {
      if (i + 1 >= argc) return UsageError("option requires an argument: ", arg);
      outputOption = argv[++i];
    } else if (strncmp(arg, "--output=", 9) == 0) {
      outputOption = arg + 9;
    } else if (strncmp(arg, "-o", 2) == 0) {
      outputOption = arg + 2;
    } else {
      return UsageError("unknown option: ", arg);
    }
  }
  if (files == 0) return UsageError("no FILE given", "");
  if (outputOption != nullptr && files > 1) return UsageError("-o takes exactly one FILE", "");
  if (outputOption != nullptr && outputOption[0] == '\0') return UsageError("empty OUTPUT", "");
  if (Checking && outputOption != nullptr) return UsageError("--check writes nothing: no -o", "");
  if (readsStandardInput && outputOption == nullptr && !Checking) {
    return UsageError("reading standard input needs -o", "");
  }
  if (!Checking && !OutputsApart(argv, files)) return 2;

  ForcePathFromEnvironment();
  int status = RUN_CONVERTED;
  for (int i = 0; i < files; i++) {
    int run = ConvertOne(argv[i], outputOption);
    if (run == RUN_READER_GONE) return run;
    if (run != RUN_CONVERTED) status = RUN_FAILED;
  }
  return status;
}

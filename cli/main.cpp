// wordhex-cli: the conversion for scripts and build pipelines.
#include <stdlib.h>
#include <string.h>

#include "convert/convert.h"
#include "frontend/filestream.h"
#include "frontend/messages.h"
#include "frontend/naming.h"
#include "platform/platform.h"

#ifndef WORDHEX_VERSION
#define WORDHEX_VERSION "0"
#endif

static const char USAGE[] = "Usage: wordhex-cli [-o OUTPUT] FILE...\n";
static const char HELP[] =
    "Converts Intel HEX files with byte addresses into Intel HEX files with 16-bit\n"
    "word addresses: every record's address is halved, its checksum verified and\n"
    "recomputed; counts, types and data pass through unchanged.\n"
    "\n"
    "Each FILE is written beside itself as BASE_I16.hex, or into OUTPUT with -o\n"
    "(then exactly one FILE). '-' as FILE reads standard input (then -o is\n"
    "required); '-o -' writes standard output.\n"
    "\n"
    "  -o, --output=OUTPUT  write the converted image to OUTPUT\n"
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

static void PrintLine(const char *where, const char *text, const char *name1, const char *name2) {
  Print("wordhex-cli: ");
  Print(where);
  Print(": ");
  PrintRussian(text);
  Print(name1);
  Print(name2);
  PrintRussian(TEXT_NAME_END "\n");
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
  static const char *const NAMES[CONVERT_PATH_COUNT] = {"fields", "portable", "sse2", "avx2"};
  const char *name = getenv("WORDHEX_CONVERT_PATH");
  if (name == nullptr || name[0] == '\0') return;
  for (int path = 0; path < CONVERT_PATH_COUNT; path++) {
    if (strcmp(name, NAMES[path]) == 0 && ForceConvertPath((ConvertPath)path)) return;
  }
  Print("wordhex-cli: WORDHEX_CONVERT_PATH=");
  Print(name);
  Print(" cannot run here; ignored\n");
}

static bool IsStream(const char *path) { return strcmp(path, "-") == 0; }

// Both are large; one conversion at a time.
static HexInput Input;
static HexOutput Output;

// Converts one file; false after printing why when it failed.
static bool ConvertOne(const char *inputPath, const char *outputOption) {
  static char drive[DRIVE_SIZE], directory[PLATFORM_DIRECTORY_SIZE];
  static char baseName[PLATFORM_COMPONENT_SIZE], extension[PLATFORM_COMPONENT_SIZE];
  static char outputPath[PLATFORM_PATH_SIZE];

  bool named = MakeOutputPath(inputPath, drive, directory, baseName, extension, outputPath);
  PlatformFile in = PLATFORM_NO_FILE;
  if (IsStream(inputPath)) {
    in = PlatformStandardInput();
  } else if (!PlatformOpenForReading(inputPath, &in)) {
    PrintLine(inputPath, TEXT_NOT_FOUND, baseName, extension);
    return false;
  }

  const char *output = outputOption != nullptr ? outputOption : outputPath;
  bool toStandardOutput = outputOption != nullptr && IsStream(outputOption);
  char outDrive[DRIVE_SIZE], outDirectory[PLATFORM_DIRECTORY_SIZE];
  char outBase[PLATFORM_COMPONENT_SIZE], outExtension[PLATFORM_COMPONENT_SIZE];
  PlatformFile out = PLATFORM_NO_FILE;
  if (toStandardOutput) {
    out = PlatformStandardOutput();
  } else if (outputOption == nullptr && !named) {
    // Too long a path: say which file could not be made, in full.
    Print("wordhex-cli: ");
    Print(drive);
    Print(directory);
    Print(baseName);
    Print(OUTPUT_SUFFIX ": ");
    PrintRussian(TEXT_CANNOT_CREATE);
    Print(baseName);
    Print(OUTPUT_SUFFIX);
    PrintRussian(TEXT_NAME_END "\n");
    PlatformClose(in);
    return false;
  } else if (!PlatformCreateForWriting(output, &out)) {
    SplitPath(output, outDrive, outDirectory, outBase, outExtension);
    PrintLine(output, TEXT_CANNOT_CREATE, outBase, outExtension);
    PlatformClose(in);
    return false;
  }
  bool removable = !toStandardOutput && PlatformIsRegularFile(out);

  bool written;
  ConversionStatus status = ConvertFiles(in, out, &Input, &Output, &written);

  bool converted = status == CONV_END_RECORD;
  if (!converted) {
    Print("wordhex-cli: ");
    Print(inputPath);
    Print(":");
    PrintNumber(Input.stopLine);
    Print(":");
    PrintNumber(Input.stopColumn);
    Print(": ");
    PrintRussian(status == CONV_BAD_CHECKSUM ? TEXT_BAD_CHECKSUM "\n" : TEXT_DAMAGED "\n");
  } else if (!written) {
    SplitPath(output, outDrive, outDirectory, outBase, outExtension);
    PrintLine(output, TEXT_WRITE_FAILED, outBase, outExtension);
  }
  if ((!converted || !written) && removable) PlatformDeleteFile(output);
  return converted && written;
}

int main(int argc, char **argv) {
  unsigned char leadRanges[PLATFORM_LEAD_BYTE_RANGES], trailRanges[PLATFORM_TRAIL_BYTE_RANGES];
  PlatformStartup(leadRanges, trailRanges);
  SetByteRanges(leadRanges, trailRanges);

  // Options may stand anywhere before "--"; everything else is a FILE.
  const char *outputOption = nullptr;
  int files = 0;
  bool readsStandardInput = false;
  bool optionsEnded = false;
  for (int i = 1; i < argc; i++) {
    const char *arg = argv[i];
    if (optionsEnded || arg[0] != '-' || IsStream(arg)) {
      files++;
      readsStandardInput |= IsStream(arg);
    } else if (strcmp(arg, "--") == 0) {
      optionsEnded = true;
    } else if (strcmp(arg, "--help") == 0) {
      PlatformWriteText(PlatformStandardOutput(), USAGE, false);
      PlatformWriteText(PlatformStandardOutput(), HELP, false);
      return 0;
    } else if (strcmp(arg, "--version") == 0) {
      PlatformWriteText(PlatformStandardOutput(), "wordhex-cli " WORDHEX_VERSION "\n", false);
      return 0;
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
  if (readsStandardInput && outputOption == nullptr) return UsageError("reading standard input needs -o", "");

  ForcePathFromEnvironment();
  bool allConverted = true;
  optionsEnded = false;
  for (int i = 1; i < argc; i++) {
    const char *arg = argv[i];
    if (!optionsEnded && arg[0] == '-' && !IsStream(arg)) {
      if (strcmp(arg, "--") == 0) optionsEnded = true;
      if (strcmp(arg, "-o") == 0 || strcmp(arg, "--output") == 0) i++;
      continue;
    }
    allConverted &= ConvertOne(arg, outputOption);
  }
  return allConverted ? 0 : 1;
}

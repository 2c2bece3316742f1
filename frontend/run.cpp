#include "frontend/run.h"

#include <string.h>

#include "convert/convert.h"
#include "convert/outcome.h"
#include "convert/texts.h"
#include "frontend/filestream.h"
#include "frontend/naming.h"
#include "platform/platform.h"

#ifdef _WIN32
// The Windows program keeps its original calls: it creates the output under
// its own name, writes it, and deletes it after a failure.
static const bool WRITES_IN_PLACE = true;
#else
static const bool WRITES_IN_PLACE = false;
#endif

// Joins two name parts into `name` (PLATFORM_COMPONENT_SIZE * 2 bytes); each
// part is shorter than PLATFORM_COMPONENT_SIZE.
static const char *JoinName(char *name, const char *first, const char *second) {
  size_t length = strlen(first);
  memcpy(name, first, length);
  strcpy(name + length, second);
  return name;
}

int RunConversion(void) {
  // Everything that lives for the run; static, as the streams' buffers are large.
  static char inputPath[PLATFORM_PATH_SIZE];
  static char drive[DRIVE_SIZE], directory[PLATFORM_DIRECTORY_SIZE];
  static char baseName[PLATFORM_COMPONENT_SIZE], extension[PLATFORM_COMPONENT_SIZE];
  static char outputPath[PLATFORM_PATH_SIZE];
  static char name[PLATFORM_COMPONENT_SIZE * 2];
  static HexInput input;
  static HexOutput output;

  // Its boxes speak Russian, whatever the user's language.
  UseCatalogue(CatalogueFor("ru"));
  inputPath[0] = '\0';
  if (!PlatformChooseInputFile(inputPath, sizeof inputPath)) return 0;
  bool named = MakeOutputPath(inputPath, drive, directory, baseName, extension, outputPath);

  PlatformFile in = PLATFORM_NO_FILE;
  if (!PlatformOpenForReading(inputPath, &in)) {
    PlatformShowError(Text(TEXT_NOT_FOUND), JoinName(name, baseName, extension), Text(TEXT_NAME_END));
    return 0;
  }
  // An output that cannot be made is reported before anything is converted,
  // and nothing is deleted: whatever stands under that name is not ours.
  static PlatformOutput out;
  if (!named || !PlatformCreateOutput(outputPath, WRITES_IN_PLACE, &out)) {
    PlatformClose(in);
    PlatformShowError(Text(TEXT_CANNOT_CREATE), JoinName(name, baseName, OUTPUT_SUFFIX), Text(TEXT_NAME_END));
    return 0;
  }

  FileFaults faults;
  static const ConvertOptions HALVE = ConvertOptionsFor(CONVERT_HALVE, 2);
  ConvertReport report;
  ConversionStatus status = ConvertFiles(in, &out, &HALVE, &input, &output, &report, &faults);
  bool written = !faults.writeFailed;
  if (status == CONV_END_RECORD && written) {
    if (PlatformFinishOutput(&out, &written)) return 0;
  } else {
    PlatformAbandonOutput(&out);  // nothing of a failed run stays visible while the box is shown
  }
  Outcome outcome = OutcomeOf(status, &report, faults.readFailed, !written, false);
  if (outcome == OUTCOME_READ_FAILED) {
    PlatformShowError(Text(OutcomeText(outcome)), JoinName(name, baseName, extension), Text(TEXT_NAME_END));
  } else if (outcome == OUTCOME_WRITE_FAILED || outcome == OUTCOME_NOT_PLACED) {
    PlatformShowError(Text(OutcomeText(outcome)), JoinName(name, baseName, OUTPUT_SUFFIX), Text(TEXT_NAME_END));
  } else {
    PlatformShowError(Text(OutcomeText(outcome)), "", "");
  }
  // After the box is dismissed, an earlier output of that name goes too; a
  // device or a pipe is never removed.
  PlatformRemoveOutput(&out);
  return 0;
}

#include "frontend/naming.h"

#include <string.h>

static bool LeadByte[256];

void SetLeadByteRanges(const unsigned char *ranges) {
  memset(LeadByte, 0, sizeof LeadByte);
  for (int i = 0; i + 1 < PLATFORM_LEAD_BYTE_RANGES && (ranges[i] != 0 || ranges[i + 1] != 0); i += 2) {
    for (unsigned b = ranges[i]; b <= ranges[i + 1]; b++) LeadByte[b] = true;
  }
}

// Copies `length` bytes of `source` into `target` of `size` bytes, keeping
// whole characters; false when some were left out.
static bool CopyComponent(char *target, size_t size, const char *source, size_t length) {
  size_t kept = 0;
  while (kept < length) {
    size_t width = LeadByte[(unsigned char)source[kept]] && kept + 1 < length ? 2 : 1;
    if (kept + width > size - 1) break;
    kept += width;
  }
  memcpy(target, source, kept);
  target[kept] = '\0';
  return kept == length;
}

// Splits as SplitPath; *placeWhole tells whether the directory and the base
// name, which place the output, were kept whole.
static bool Split(const char *path, char drive[DRIVE_SIZE], char directory[PLATFORM_DIRECTORY_SIZE],
                  char baseName[PLATFORM_COMPONENT_SIZE], char extension[PLATFORM_COMPONENT_SIZE], bool *placeWhole) {
  size_t start = 0;
  drive[0] = '\0';
  if (path[0] != '\0' && path[1] == ':') {
    drive[0] = path[0];
    drive[1] = ':';
    drive[2] = '\0';
    start = 2;
  }
  // One scan, stepping over double-byte characters so that a trailing byte
  // equal to '\', '/' or '.' is never taken for one.
  size_t nameStart = start;
  const char *dot = nullptr;  // the last '.' of the final component
  size_t i = start;
  while (path[i] != '\0') {
    unsigned char c = (unsigned char)path[i];
    if (LeadByte[c]) {
      i += path[i + 1] != '\0' ? 2 : 1;  // a lead byte at the very end stands alone
      continue;
    }
    if (c == '\\' || c == '/') {
      nameStart = i + 1;
      dot = nullptr;
    } else if (c == '.') {
      dot = path + i;
    }
    i++;
  }
  size_t end = i;
  size_t baseEnd = dot != nullptr ? (size_t)(dot - path) : end;
  bool directoryWhole = CopyComponent(directory, PLATFORM_DIRECTORY_SIZE, path + start, nameStart - start);
  bool baseWhole = CopyComponent(baseName, PLATFORM_COMPONENT_SIZE, path + nameStart, baseEnd - nameStart);
  bool extensionWhole = CopyComponent(extension, PLATFORM_COMPONENT_SIZE, path + baseEnd, end - baseEnd);
  *placeWhole = directoryWhole && baseWhole;
  return *placeWhole && extensionWhole;
}

bool SplitPath(const char *path, char drive[DRIVE_SIZE], char directory[PLATFORM_DIRECTORY_SIZE],
               char baseName[PLATFORM_COMPONENT_SIZE], char extension[PLATFORM_COMPONENT_SIZE]) {
  bool placeWhole;
  return Split(path, drive, directory, baseName, extension, &placeWhole);
}

bool MakeOutputPath(const char *inputPath, char drive[DRIVE_SIZE], char directory[PLATFORM_DIRECTORY_SIZE],
                    char baseName[PLATFORM_COMPONENT_SIZE], char extension[PLATFORM_COMPONENT_SIZE],
                    char outputPath[PLATFORM_PATH_SIZE]) {
  outputPath[0] = '\0';
  bool placeWhole;
  Split(inputPath, drive, directory, baseName, extension, &placeWhole);
  size_t lengths[4] = {strlen(drive), strlen(directory), strlen(baseName), sizeof OUTPUT_SUFFIX - 1};
  if (!placeWhole || lengths[0] + lengths[1] + lengths[2] + lengths[3] > PLATFORM_PATH_SIZE - 1) return false;
  const char *parts[4] = {drive, directory, baseName, OUTPUT_SUFFIX};
  char *out = outputPath;
  for (int i = 0; i < 4; i++) {
    memcpy(out, parts[i], lengths[i]);
    out += lengths[i];
  }
  *out = '\0';
  return true;
}

#include "frontend/naming.h"

#include <string.h>

static bool LeadByte[256];
static bool TrailByte[256];
static bool Drives = true;

void SetPathDrives(bool drives) { Drives = drives; }

// Marks the bytes of `ranges` (`size` bytes) in `table`; false for none.
static bool MarkRanges(bool table[256], const unsigned char *ranges, int size) {
  memset(table, 0, 256 * sizeof table[0]);
  bool any = false;
  for (int i = 0; i + 1 < size && (ranges[i] != 0 || ranges[i + 1] != 0); i += 2) {
    for (unsigned b = ranges[i]; b <= ranges[i + 1]; b++) table[b] = any = true;
  }
  return any;
}

void SetByteRanges(const unsigned char leadRanges[PLATFORM_LEAD_BYTE_RANGES],
                   const unsigned char trailRanges[PLATFORM_TRAIL_BYTE_RANGES]) {
  MarkRanges(LeadByte, leadRanges, PLATFORM_LEAD_BYTE_RANGES);
  if (MarkRanges(TrailByte, trailRanges, PLATFORM_TRAIL_BYTE_RANGES)) {
    LeadByte[(unsigned char)'/'] = TrailByte[(unsigned char)'/'] = false;
  } else {
    memset(TrailByte, true, sizeof TrailByte);
  }
  TrailByte[0] = false;  // the terminator ends a path even after a lead byte
}

// The width of the character at `s`: 2 for a lead byte and a byte that may
// follow it, else 1.
static size_t Width(const char *s) { return LeadByte[(unsigned char)s[0]] && TrailByte[(unsigned char)s[1]] ? 2 : 1; }

// Copies `length` bytes of `source` into `target` of `size` bytes, keeping
// whole characters; false when some were left out. Components end between
// two characters of the path, so no pair reaches past `length`.
static bool CopyComponent(char *target, size_t size, const char *source, size_t length) {
  size_t kept = 0;
  while (kept < length) {
    size_t width = Width(source + kept);
    if (kept + width > size - 1) break;
    kept += width;
  }
  memcpy(target, source, kept);
  target[kept] = '\0';
  return kept == length;
}

// Where the parts of a path begin and end.
struct PathParts {
  size_t start;      // past the drive
  size_t nameStart;  // past the last '\' or '/'
  size_t baseEnd;    // at the last '.' of the final component, or its end
  size_t end;
};

// One scan, stepping over double-byte characters so that a trailing byte
// equal to '\', '/' or '.' is never taken for one.
static PathParts Scan(const char *path) {
  PathParts parts = {0, 0, 0, 0};
  if (Drives && path[0] != '\0' && path[1] == ':') parts.start = 2;
  parts.nameStart = parts.start;
  const char *dot = nullptr;  // the last '.' of the final component
  size_t i = parts.start;
  while (path[i] != '\0') {
    unsigned char c = (unsigned char)path[i];
    if (Width(path + i) == 2) {
      i += 2;
      continue;
    }
    if (c == '\\' || c == '/') {
      parts.nameStart = i + 1;
      dot = nullptr;
    } else if (c == '.') {
      dot = path + i;
    }
    i++;
  }
  parts.end = i;
  parts.baseEnd = dot != nullptr ? (size_t)(dot - path) : parts.end;
  return parts;
}

size_t NameStart(const char *path) { return Scan(path).nameStart; }

size_t BaseEnd(const char *path) { return Scan(path).baseEnd; }

// Splits as SplitPath; true when the directory and the base name, which
// place the output, were kept whole.
static bool Split(const char *path, char drive[DRIVE_SIZE], char directory[PLATFORM_DIRECTORY_SIZE],
                  char baseName[PLATFORM_COMPONENT_SIZE], char extension[PLATFORM_COMPONENT_SIZE]) {
  PathParts parts = Scan(path);
  memcpy(drive, path, parts.start);
  drive[parts.start] = '\0';
  bool directoryWhole =
      CopyComponent(directory, PLATFORM_DIRECTORY_SIZE, path + parts.start, parts.nameStart - parts.start);
  bool baseWhole =
      CopyComponent(baseName, PLATFORM_COMPONENT_SIZE, path + parts.nameStart, parts.baseEnd - parts.nameStart);
  // Only ever shown: cut is fine.
  CopyComponent(extension, PLATFORM_COMPONENT_SIZE, path + parts.baseEnd, parts.end - parts.baseEnd);
  return directoryWhole && baseWhole;
}

void SplitPath(const char *path, char drive[DRIVE_SIZE], char directory[PLATFORM_DIRECTORY_SIZE],
               char baseName[PLATFORM_COMPONENT_SIZE], char extension[PLATFORM_COMPONENT_SIZE]) {
  Split(path, drive, directory, baseName, extension);
}

bool MakeOutputPath(const char *inputPath, char drive[DRIVE_SIZE], char directory[PLATFORM_DIRECTORY_SIZE],
                    char baseName[PLATFORM_COMPONENT_SIZE], char extension[PLATFORM_COMPONENT_SIZE],
                    char outputPath[PLATFORM_PATH_SIZE]) {
  return MakeOutputPathWithSuffix(inputPath, OUTPUT_SUFFIX, drive, directory, baseName, extension, outputPath);
}

bool MakeOutputPathWithSuffix(const char *inputPath, const char *suffix, char drive[DRIVE_SIZE],
                              char directory[PLATFORM_DIRECTORY_SIZE], char baseName[PLATFORM_COMPONENT_SIZE],
                              char extension[PLATFORM_COMPONENT_SIZE], char outputPath[PLATFORM_PATH_SIZE]) {
  outputPath[0] = '\0';
  bool placeWhole = Split(inputPath, drive, directory, baseName, extension);
  size_t lengths[4] = {strlen(drive), strlen(directory), strlen(baseName), strlen(suffix)};
  if (!placeWhole || lengths[0] + lengths[1] + lengths[2] + lengths[3] > PLATFORM_PATH_SIZE - 1) return false;
  const char *parts[4] = {drive, directory, baseName, suffix};
  char *out = outputPath;
  for (int i = 0; i < 4; i++) {
    memcpy(out, parts[i], lengths[i]);
    out += lengths[i];
  }
  *out = '\0';
  return true;
}

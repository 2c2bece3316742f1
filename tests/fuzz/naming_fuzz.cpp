// libFuzzer target: MakeOutputPath and SplitPath on any path under any
// lead-byte ranges. The first byte picks how many range pairs follow (0 to
// 6); the rest, up to a NUL, is the path. Every buffer is allocated at its
// exact size so that AddressSanitizer sees a byte too far. The result is
// checked against a plain model of the split.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <memory>
#include <string>

#include "frontend/naming.h"

namespace {

#define CHECK(condition) ((condition) ? (void)0 : Fail(#condition, __LINE__))

[[noreturn]] void Fail(const char *what, int line) {
  fprintf(stderr, "naming_fuzz.cpp:%d: property violated: %s\n", line, what);
  abort();
}

struct Buffers {
  std::unique_ptr<char[]> drive{new char[DRIVE_SIZE]};
  std::unique_ptr<char[]> directory{new char[PLATFORM_DIRECTORY_SIZE]};
  std::unique_ptr<char[]> baseName{new char[PLATFORM_COMPONENT_SIZE]};
  std::unique_ptr<char[]> extension{new char[PLATFORM_COMPONENT_SIZE]};
  std::unique_ptr<char[]> output{new char[PLATFORM_PATH_SIZE]};
};

// Where characters start and end in `path` from `from`: a lead byte and the
// byte after it are one character, a lead byte at the very end one alone.
std::string Boundaries(const std::string &path, size_t from, const bool lead[256]) {
  std::string at(path.size() + 1, 0);
  for (size_t i = from;;) {
    at[i] = 1;
    if (i == path.size()) break;
    i += lead[(unsigned char)path[i]] && i + 1 < path.size() ? 2 : 1;
  }
  return at;
}

// The part of [begin, end) that a buffer of `size` keeps: whole characters only.
size_t Kept(const std::string &boundary, size_t begin, size_t end, size_t size) {
  size_t kept = begin;
  for (size_t i = begin; i <= end && i - begin <= size - 1; i++) {
    if (boundary[i]) kept = i;
  }
  return kept;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size == 0) return 0;
  unsigned char ranges[PLATFORM_LEAD_BYTE_RANGES] = {};
  size_t pairs = data[0] % (PLATFORM_LEAD_BYTE_RANGES / 2 + 1);
  size_t used = 1 + 2 * pairs < size ? 1 + 2 * pairs : size;
  memcpy(ranges, data + 1, used - 1);
  SetLeadByteRanges(ranges);
  bool lead[256] = {};
  for (size_t i = 0; i + 1 < PLATFORM_LEAD_BYTE_RANGES && (ranges[i] != 0 || ranges[i + 1] != 0); i += 2) {
    for (unsigned b = ranges[i]; b <= ranges[i + 1]; b++) lead[b] = true;
  }

  std::string path(reinterpret_cast<const char *>(data) + used, size - used);
  path = path.substr(0, path.find('\0'));
  std::unique_ptr<char[]> input(new char[path.size() + 1]);
  memcpy(input.get(), path.c_str(), path.size() + 1);

  Buffers b;
  memset(b.output.get(), 'x', PLATFORM_PATH_SIZE);
  bool made = MakeOutputPath(input.get(), b.drive.get(), b.directory.get(), b.baseName.get(), b.extension.get(),
                             b.output.get());
  const std::string drive = b.drive.get(), directory = b.directory.get(), baseName = b.baseName.get(),
                    extension = b.extension.get(), output = b.output.get();

  // The model: drive, then one scan over whole characters for the last
  // separator and the last dot after it.
  size_t start = path.size() >= 2 && path[1] == ':' ? 2 : 0;
  CHECK(drive == path.substr(0, start));
  const std::string boundary = Boundaries(path, start, lead);
  size_t nameStart = start, dot = std::string::npos;
  for (size_t i = start; i < path.size(); i++) {
    if (!boundary[i] || lead[(unsigned char)path[i]]) continue;  // a lead byte is never a separator or a dot
    if (path[i] == '\\' || path[i] == '/') nameStart = i + 1, dot = std::string::npos;
    if (path[i] == '.') dot = i;
  }
  size_t baseEnd = dot == std::string::npos ? path.size() : dot;

  // Each component is its part of the path, cut to its buffer between characters.
  size_t directoryEnd = Kept(boundary, start, nameStart, PLATFORM_DIRECTORY_SIZE);
  size_t baseKept = Kept(boundary, nameStart, baseEnd, PLATFORM_COMPONENT_SIZE);
  size_t extensionKept = Kept(boundary, baseEnd, path.size(), PLATFORM_COMPONENT_SIZE);
  CHECK(directory == path.substr(start, directoryEnd - start));
  CHECK(baseName == path.substr(nameStart, baseKept - nameStart));
  CHECK(extension == path.substr(baseEnd, extensionKept - baseEnd));
  CHECK(directory.size() < PLATFORM_DIRECTORY_SIZE && baseName.size() < PLATFORM_COMPONENT_SIZE &&
        extension.size() < PLATFORM_COMPONENT_SIZE);
  // A cut never leaves more than one character's worth of room.
  CHECK(directoryEnd == nameStart || directory.size() + 2 >= PLATFORM_DIRECTORY_SIZE);
  CHECK(baseKept == baseEnd || baseName.size() + 2 >= PLATFORM_COMPONENT_SIZE);
  CHECK(extensionKept == path.size() || extension.size() + 2 >= PLATFORM_COMPONENT_SIZE);

  // The output path: drive, directory, base name and the suffix, whole and
  // within its buffer, or nothing at all.
  const std::string expected = drive + directory + baseName + OUTPUT_SUFFIX;
  bool whole = directoryEnd == nameStart && baseKept == baseEnd;
  CHECK(made == (whole && expected.size() < PLATFORM_PATH_SIZE));
  CHECK(made ? output == expected : output.empty());

  bool split = SplitPath(input.get(), b.drive.get(), b.directory.get(), b.baseName.get(), b.extension.get());
  CHECK(split == (whole && extensionKept == path.size()));
  CHECK(directory == b.directory.get() && baseName == b.baseName.get() && extension == b.extension.get());
  if (split) CHECK(drive + directory + baseName + extension == path);
  return 0;
}

#include "cli/plan.h"

#include <string.h>

#include "frontend/naming.h"

static PlannedFile Files[MAX_FILES];
static int Count;
// The outputs' names, one after another.
static char Names[PLAN_TEXT_SIZE];
static size_t Used;

int PlannedCount(void) { return Count; }

const PlannedFile *Planned(int index) { return &Files[index]; }

static bool SameId(const PlatformFileId &one, const PlatformFileId &other) {
  return one.device == other.device && one.number == other.number;
}

// The place of the file named `path`, and of its directory: "" and a bare
// drive ("C:") stand for a current directory, which "." names.
static void PlaceNamed(const char *path, FilePlace *place) {
  static char directory[PLATFORM_PATH_SIZE + 1];
  place->path = path;
  place->nameStart = NameStart(path);
  place->exists = PlatformIdentifyFile(path, &place->id);
  size_t length = place->nameStart;
  place->directoryExists = false;
  if (length + 1 < sizeof directory) {
    memcpy(directory, path, length);
    strcpy(directory + length, length == 0 || path[length - 1] == ':' ? "." : "");
    place->directoryExists = PlatformIdentifyFile(directory, &place->directory);
  }
}

// The place of a standard stream: the regular file behind it, if any.
static void PlaceStream(PlatformFile stream, FilePlace *place) {
  memset(place, 0, sizeof *place);
  place->exists = PlatformIdentifyStream(stream, &place->id);
}

// Whether two places are one file: by name, the same name in the same
// directory (a directory that is not there told apart by its name); and
// `byIdentity`, the same existing file, whatever its names and links.
static bool SamePlace(const FilePlace *one, const FilePlace *other, bool byIdentity) {
  if (byIdentity && one->exists && other->exists && SameId(one->id, other->id)) return true;
  if (one->path == nullptr || other->path == nullptr) return false;
  if (strcmp(one->path + one->nameStart, other->path + other->nameStart) != 0) return false;
  if (one->directoryExists && other->directoryExists) return SameId(one->directory, other->directory);
  return one->nameStart == other->nameStart && strncmp(one->path, other->path, one->nameStart) == 0;
}

// Keeps the `count` pieces, each `length` bytes at `text`, one after another
// in the plan's text; null when it is full.
struct Piece {
  const char *text;
  size_t length;
};
static const char *Keep(const Piece *pieces, int count) {
  size_t size = 1;
  for (int i = 0; i < count; i++) size += pieces[i].length;
  if (size > PLAN_TEXT_SIZE - Used) return nullptr;
  char *kept = Names + Used;
  for (int i = 0; i < count; i++) {
    if (pieces[i].length == 0) continue;  // its text may be null: no directory asked for
    kept = (char *)memcpy(kept, pieces[i].text, pieces[i].length) + pieces[i].length;
  }
  *kept = '\0';
  const char *start = Names + Used;
  Used += size;
  return start;
}

bool PlanRun(char **files, int count, const char *outputOption, const char *directory, const char *suffix,
             bool checking) {
  size_t directoryLength = directory != nullptr ? strlen(directory) : 0;
  // Between the directory and a name, unless it ends in one.
  const char *separator = directoryLength == 0 || NameStart(directory) == directoryLength ? "" : PLATFORM_SEPARATOR;
  if (count > MAX_FILES) return false;
  Count = count;
  Used = 0;
  for (int i = 0; i < count; i++) {
    PlannedFile *file = &Files[i];
    memset(file, 0, sizeof *file);
    file->input = files[i];
    bool stream = strcmp(file->input, "-") == 0;
    stream ? PlaceStream(PlatformStandardInput(), &file->read) : PlaceNamed(file->input, &file->read);
    if (checking) continue;
    if (outputOption != nullptr || stream) {
      file->output = outputOption != nullptr ? outputOption : "-";
    } else {
      // Beside the FILE: its drive, directory and base name, then the
      // suffix; or the same under the directory asked for.
      static char drive[DRIVE_SIZE], folder[PLATFORM_DIRECTORY_SIZE], path[PLATFORM_PATH_SIZE];
      static char baseName[PLATFORM_COMPONENT_SIZE], extension[PLATFORM_COMPONENT_SIZE];
      file->tooLong = !MakeOutputPathWithSuffix(file->input, suffix, drive, folder, baseName, extension, path);
      size_t from = directory != nullptr ? NameStart(file->input) : 0, to = BaseEnd(file->input);
      const Piece pieces[] = {{directory, directoryLength},
                              {separator, strlen(separator)},
                              {file->input + from, to - from},
                              {suffix, strlen(suffix)}};
      file->output = Keep(pieces, 4);
      if (file->output == nullptr) return false;
      file->tooLong = file->tooLong || strlen(file->output) > PLATFORM_PATH_SIZE - 1;
    }
    if (file->tooLong) continue;  // never opened: it has no place
    strcmp(file->output, "-") == 0 ? PlaceStream(PlatformStandardOutput(), &file->written)
                                   : PlaceNamed(file->output, &file->written);
  }
  return true;
}

bool FindClash(Clash *clash) {
  for (int i = 0; i < Count; i++) {
    const PlannedFile *writer = &Files[i];
    if (writer->output == nullptr || writer->tooLong) continue;
    for (int j = 0; j < Count; j++) {
      if (j == i) continue;
      // A named output replaces its name, a link or a file of other names
      // too, and leaves what they point to; standard output is written
      // through, into whatever file it is.
      const FilePlace *written = &Files[j].written;
      bool stream = writer->written.path == nullptr || written->path == nullptr;
      *clash = Clash{i, j, j > i && SamePlace(&writer->written, written, stream)};
      if (clash->bothWrite || SamePlace(&writer->written, &Files[j].read, true)) return true;
    }
  }
  return false;
}

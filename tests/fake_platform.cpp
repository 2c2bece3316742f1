#include "tests/fake_platform.h"

#include <string.h>

#include "platform/cp1251.h"
#include "platform/platform.h"

namespace {

FakePlatform State;

struct Handle {
  std::string path;
  size_t position = 0;
  bool open = false;
};
std::vector<Handle> Handles;
size_t BytesRead, BytesWritten;

std::string Utf8(const char *cp1251) {
  char buffer[1024];
  Cp1251ToUtf8(cp1251, buffer, sizeof buffer);
  return buffer;
}

PlatformFile NewHandle(const std::string &path) {
  Handles.push_back({path, 0, true});
  return static_cast<PlatformFile>(Handles.size() - 1);
}

}  // namespace

FakePlatform &ResetFakePlatform() {
  State = FakePlatform();
  Handles.clear();
  BytesRead = BytesWritten = 0;
  return State;
}

void PlatformStartup(unsigned char ranges[PLATFORM_LEAD_BYTE_RANGES]) { memset(ranges, 0, PLATFORM_LEAD_BYTE_RANGES); }

bool PlatformChooseInputFile(char *path, unsigned long size) {
  State.log.push_back("dialog");
  if (State.cancel || State.chosen.size() >= size) return false;
  strcpy(path, State.chosen.c_str());
  return true;
}

bool PlatformOpenForReading(const char *path, PlatformFile *file) {
  bool ok = State.files.count(path) != 0 && State.unopenable.count(path) == 0;
  State.log.push_back(std::string("open ") + path + (ok ? "" : " failed"));
  if (ok) *file = NewHandle(path);
  return ok;
}

bool PlatformCreateForWriting(const char *path, PlatformFile *file) {
  bool ok = State.uncreatable.count(path) == 0;
  State.log.push_back(std::string("create ") + path + (ok ? "" : " failed"));
  if (!ok) return false;
  State.files[path].data.clear();
  State.watchedOutput = path;
  *file = NewHandle(path);
  return true;
}

PlatformFile PlatformStandardInput(void) { return PLATFORM_NO_FILE; }
PlatformFile PlatformStandardOutput(void) { return PLATFORM_NO_FILE; }
PlatformFile PlatformStandardError(void) { return PLATFORM_NO_FILE; }

bool PlatformRead(PlatformFile file, void *buffer, unsigned long size, unsigned long *delivered) {
  Handle &h = Handles.at(static_cast<size_t>(file));
  const std::string &data = State.files.at(h.path).data;
  size_t n = std::min<size_t>(size, data.size() - h.position);
  n = std::min(n, State.readLimit - std::min(State.readLimit, BytesRead));
  memcpy(buffer, data.data() + h.position, n);
  h.position += n;
  BytesRead += n;
  *delivered = static_cast<unsigned long>(n);
  return n > 0 || h.position == data.size();
}

bool PlatformWrite(PlatformFile file, const void *data, unsigned long size, unsigned long *written) {
  Handle &h = Handles.at(static_cast<size_t>(file));
  size_t n = std::min<size_t>(size, State.writeLimit - std::min(State.writeLimit, BytesWritten));
  State.files[h.path].data.append(static_cast<const char *>(data), n);
  BytesWritten += n;
  *written = static_cast<unsigned long>(n);
  return n == size;
}

bool PlatformIsRegularFile(PlatformFile file) {
  return State.files.at(Handles.at(static_cast<size_t>(file)).path).regular;
}

void PlatformClose(PlatformFile file) {
  Handle &h = Handles.at(static_cast<size_t>(file));
  State.log.push_back("close " + h.path + (h.open ? "" : " again"));
  h.open = false;
}

void PlatformDeleteFile(const char *path) {
  State.log.push_back(std::string("delete ") + path);
  State.files.erase(path);
}

void PlatformShowError(const char *text, const char *name, const char *tail) {
  State.log.push_back("box " + Utf8(text) + name + Utf8(tail));
  State.outputShownWithBox.push_back(State.files.count(State.watchedOutput) != 0);
}

void PlatformWriteText(PlatformFile, const char *, bool) {}

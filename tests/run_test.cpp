// The interactive run against a scripted stand-in for the platform: an
// in-memory file system, a dialog that answers as told, a log of calls.
#include "frontend/run.h"

#include <gtest/gtest.h>
#include <string.h>

#include <map>

#include "platform/cp1251.h"
#include "platform/platform.h"
#include "tests/table.h"

namespace {

struct File {
  std::string data;
  bool regular;
};
std::map<std::string, File> Files;
std::vector<std::pair<std::string, size_t>> Handles;  // path, position
std::string Chosen, Log, Unopenable, Uncreatable;
size_t ReadLeft, WriteLeft;

void Note(const std::string &call) { Log += (Log.empty() ? "" : ", ") + call; }

}  // namespace

void PlatformStartup(unsigned char ranges[PLATFORM_LEAD_BYTE_RANGES]) { memset(ranges, 0, PLATFORM_LEAD_BYTE_RANGES); }
bool PlatformChooseInputFile(char *path, unsigned long size) {
  Note("dialog");
  return Chosen != "cancel" && Chosen.size() < size && strcpy(path, Chosen.c_str()) != nullptr;
}
static bool Open(const char *path, PlatformFile *file, bool ok, const char *verb) {
  Note(std::string(verb) + path + (ok ? "" : " failed"));
  Handles.push_back({path, 0});
  *file = ok ? (PlatformFile)Handles.size() - 1 : PLATFORM_NO_FILE;
  return ok;
}
bool PlatformOpenForReading(const char *path, PlatformFile *file) {
  return Open(path, file, Files.count(path) != 0 && Unopenable != path, "open ");
}
bool PlatformCreateForWriting(const char *path, PlatformFile *file) {
  if (Uncreatable != path) Files[path] = {"", Files.count(path) == 0 || Files[path].regular};
  return Open(path, file, Uncreatable != path, "create ");
}
PlatformFile PlatformStandardInput(void) { return PLATFORM_NO_FILE; }
PlatformFile PlatformStandardOutput(void) { return PLATFORM_NO_FILE; }
PlatformFile PlatformStandardError(void) { return PLATFORM_NO_FILE; }
bool PlatformRead(PlatformFile file, void *buffer, unsigned long size, unsigned long *delivered) {
  auto &h = Handles.at(file);
  const std::string &data = Files.at(h.first).data;
  size_t n = std::min({(size_t)size, data.size() - h.second, ReadLeft});
  memcpy(buffer, data.data() + h.second, n);
  h.second += n, ReadLeft -= n;
  *delivered = n;
  return n > 0 || h.second == data.size();
}
bool PlatformWrite(PlatformFile file, const void *data, unsigned long size, unsigned long *written) {
  size_t n = std::min((size_t)size, WriteLeft);
  Files[Handles.at(file).first].data.append((const char *)data, n);
  WriteLeft -= n;
  *written = n;
  return n == size;
}
bool PlatformIsRegularFile(PlatformFile file) { return Files.at(Handles.at(file).first).regular; }
void PlatformClose(PlatformFile file) { Note("close " + Handles.at(file).first); }
void PlatformDeleteFile(const char *path) {
  Note(std::string("delete ") + path);
  Files.erase(path);
}
void PlatformShowError(const char *text, const char *name, const char *tail) {
  char utf8[2][512];
  Cp1251ToUtf8(text, utf8[0], sizeof utf8[0]);
  Cp1251ToUtf8(tail, utf8[1], sizeof utf8[1]);
  Note(std::string("box ") + utf8[0] + name + utf8[1]);
}
void PlatformWriteText(PlatformFile, const char *, bool) {}

namespace {

TEST(RunConversion, Table) {
  for (const auto &row : Table("run.txt")) {
    SCOPED_TRACE(row[0]);
    const std::string in = row[1] == "cancel" ? "C:\\fw\\app.hex" : row[1];
    const std::string out = in.substr(0, in.rfind('.')) + "_I16.hex";
    Files = {{in, {row[2], true}}};
    Handles.clear();
    Chosen = row[1], Log = "", Uncreatable = Unopenable = "";
    ReadLeft = row[3] == "-" || row[3] == "x" ? SIZE_MAX : std::stoul(row[3]);
    WriteLeft = row[4] == "-" ? SIZE_MAX : std::stoul(row[4]);
    if (row[3] == "x") Unopenable = in;
    if (row[5] != "none") Files[out] = {"old", row[5] != "device"};
    if (row[5] == "uncreatable") Uncreatable = out;
    EXPECT_EQ(RunConversion(), 0);
    EXPECT_EQ(Log, row[6]);
    EXPECT_EQ(Files[in].data, row[2]);
    if (row[7] == "absent")
      EXPECT_EQ(Files.count(out), 0u);
    else if (row[7] != "kept")
      EXPECT_EQ(Files[out].data, row[7]);
    else
      EXPECT_EQ(Files.count(out), 1u);
  }
}

}  // namespace

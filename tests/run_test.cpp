// The interactive run against a scripted stand-in for the platform: an
// in-memory file system, a dialog that answers as told, a log of calls.
#include "frontend/run.h"

#include <gtest/gtest.h>
#include <string.h>

#include <map>

#include "platform/cp1251.h"
#include "platform/platform.h"
#include "tests/harness.h"

namespace {

std::map<std::string, std::pair<std::string, bool>> Files;  // content, and whether it is a regular file
std::vector<std::pair<std::string, size_t>> Handles;        // path, position
std::string Chosen, Log, Unopenable, Uncreatable, Unfinishable;
size_t ReadLeft, WriteLeft;

void Note(const std::string &call) { Log += (Log.empty() ? "" : ", ") + call; }
bool Open(const char *path, PlatformFile *file, bool ok, const char *verb) {
  Note(verb + std::string(path) + (ok ? "" : " failed"));
  Handles.push_back({path, 0});
  *file = (PlatformFile)Handles.size() - 1;
  return ok;
}

}  // namespace

bool PlatformChooseInputFile(char *path, unsigned long size) {
  Note("dialog");
  return Chosen != "cancel" && Chosen.size() < size && strcpy(path, Chosen.c_str()) != nullptr;
}
bool PlatformOpenForReading(const char *path, PlatformFile *file) {
  return Open(path, file, Files.count(path) != 0 && Unopenable != path, "open ");
}
// A file output is written to "NAME~" and moved over NAME when finished.
bool PlatformCreateOutput(const char *path, bool inPlace, PlatformOutput *out) {
  bool stream = Files.count(path) != 0 && !Files[path].second;
  *out = PlatformOutput{0, (unsigned char)(stream ? PLATFORM_OUTPUT_STREAM : PLATFORM_OUTPUT_FILE), inPlace, path, ""};
  std::string written = stream || inPlace ? path : std::string(path) + "~";
  if (Uncreatable != path) Files[written] = {"", !stream};
  Open(path, &out->file, Uncreatable != path, "create ");
  Handles.back().first = written;
  return Uncreatable != path;
}
bool PlatformFinishOutput(PlatformOutput *out, bool *written) {
  bool moved = out->kind == PLATFORM_OUTPUT_STREAM || out->inPlace || Unfinishable != out->path;
  *written = true;
  Note("finish " + std::string(out->path) + (moved ? "" : " failed"));
  if (out->kind == PLATFORM_OUTPUT_FILE && !out->inPlace && moved)
    Files[out->path] = Files[out->path + std::string("~")];
  return Files.erase(out->path + std::string("~")), moved;
}
void PlatformAbandonOutput(PlatformOutput *out) {
  Note("abandon " + std::string(out->path));
  Files.erase(out->path + std::string("~"));
}
void PlatformRemoveOutput(const PlatformOutput *out) {
  if (out->kind == PLATFORM_OUTPUT_FILE) Note("remove " + std::string(out->path)), Files.erase(out->path);
}
PlatformError PlatformLastError(void) { return 5; }
bool PlatformRead(PlatformFile file, void *buffer, unsigned long size, unsigned long *delivered) {
  auto &h = Handles.at(file);
  const std::string &data = Files.at(h.first).first;
  ReadLeft -= *delivered = data.copy((char *)buffer, std::min((size_t)size, ReadLeft), h.second);
  h.second += *delivered;
  return *delivered > 0 || h.second == data.size();
}
bool PlatformWrite(PlatformFile file, const void *data, unsigned long size, unsigned long *written) {
  WriteLeft -= *written = std::min((size_t)size, WriteLeft);
  Files[Handles.at(file).first].first.append((const char *)data, *written);
  return *written > 0;  // short, as POSIX writes are; failing only when nothing fits
}
bool PlatformWriteAt(PlatformFile, unsigned long long, const void *, unsigned long, unsigned long *) {
  abort();  // halving writes in order only
}
void PlatformClose(PlatformFile file) { Note("close " + Handles.at(file).first); }
void PlatformShowError(const char *text, const char *name, const char *tail) {
  char utf8[512];  // the names here are ASCII, the same in code page 1251
  Cp1251ToUtf8((std::string(text) + name + tail).c_str(), utf8, sizeof utf8);
  Note("box " + std::string(utf8));
  // Nothing of a failed run shows on disk while the box is up.
  for (const auto &file : Files) EXPECT_TRUE(file.first == Chosen || file.second.first == "old" || !file.second.second);
}

TEST(RunConversion, Table) {
  for (const auto &row : Table("run.txt")) {
    const std::string in = row[1] == "cancel" ? "C:\\fw\\app.hex" : row[1];
    const std::string out = in.substr(0, in.rfind('.')) + "_I16.hex";
    Files = {{in, {row[2], true}}};
    Handles.clear();
    Chosen = row[1], Log = "", Uncreatable = row[5] == "uncreatable" ? out : "",
    Unfinishable = row[5] == "unfinishable" ? out : "", Unopenable = row[3] == "x" ? in : "";
    ReadLeft = row[3] == "-" || row[3] == "x" ? SIZE_MAX : std::stoul(row[3]);
    WriteLeft = row[4] == "-" ? SIZE_MAX : std::stoul(row[4]);
    if (row[5] != "none") Files[out] = {"old", row[5] != "device"};
    EXPECT_EQ(RunConversion(), 0);
    EXPECT_EQ(Log, row[6]) << row[0];
    EXPECT_EQ(Files[in].first, row[2]) << row[0];
    EXPECT_EQ(Files.count(out) == 0 ? "absent" : row[7] == "kept" ? "kept" : Files[out].first, row[7]) << row[0];
  }
}

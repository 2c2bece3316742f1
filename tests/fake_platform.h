// A scripted stand-in for platform.h, linked in place of the real one: an
// in-memory file system, a dialog that answers as told, and a log of calls.
#ifndef WORDHEX_TESTS_FAKE_PLATFORM_H
#define WORDHEX_TESTS_FAKE_PLATFORM_H

#include <limits>
#include <map>
#include <set>
#include <string>
#include <vector>

struct FakeFile {
  std::string data;
  bool regular = true;  // false: a device, never meant to be removed
};

struct FakePlatform {
  // The dialog: the path it returns, or cancel.
  bool cancel = false;
  std::string chosen;
  std::map<std::string, FakeFile> files;
  std::set<std::string> unopenable;                        // exist, but opening them for reading fails
  std::set<std::string> uncreatable;                       // creating them for writing fails
  size_t writeLimit = std::numeric_limits<size_t>::max();  // bytes written before writes fail
  size_t readLimit = std::numeric_limits<size_t>::max();   // bytes read before reads fail
  // Calls in order: "dialog", "open P", "create P", "close P", "box TEXT"
  // (UTF-8), "delete P"; a failed open or create ends in " failed".
  std::vector<std::string> log;
  // For each box: whether the run's output still existed while it was shown.
  std::vector<bool> outputShownWithBox;
  std::string watchedOutput;
};

// Fresh state for each test.
FakePlatform &ResetFakePlatform();

#endif

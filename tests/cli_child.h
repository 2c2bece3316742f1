// Runs wordhex-cli as a child under test conditions: resource limits, a
// standard input fed through a pipe by a generator, a FIFO or pipe drained
// while it runs, and a deadline after which it is killed.
#ifndef WORDHEX_TESTS_CLI_CHILD_H
#define WORDHEX_TESTS_CLI_CHILD_H

#include <sys/resource.h>

#include <functional>
#include <string>
#include <vector>

// True when the tests and the program run under AddressSanitizer, which
// reserves far more address space than any small RLIMIT_AS allows.
#if defined(__SANITIZE_ADDRESS__)
#define WORDHEX_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define WORDHEX_ASAN 1
#endif
#endif
#ifndef WORDHEX_ASAN
#define WORDHEX_ASAN 0
#endif

struct ChildSpec {
  std::vector<std::string> args;  // after the program's name
  std::string dir;                // working directory
  std::vector<std::string> env;   // NAME=VALUE added to the environment
  std::string stdinPath;          // standard input from this path (none: /dev/null, unless `feed`)
  // Standard input through a pipe: each call returns the next piece, empty at the end.
  std::function<const std::string &()> feed;
  bool captureStdout = false;  // else standard output goes to /dev/null
  rlim_t fileSizeLimit = RLIM_INFINITY;
  rlim_t addressSpaceLimit = RLIM_INFINITY;
  int drainFd = -1;          // read while the child runs (a FIFO's reading end), then closed
  size_t drainLimit = ~0ul;  // close drainFd once this many bytes have been read from it
  int seconds = 60;          // deadline
};

struct ChildResult {
  int exitStatus = -1;  // -1: killed by a signal or by the deadline
  int signal = 0;
  bool timedOut = false;
  std::string err;
  std::string out;  // the first and last bytes of standard output (see outBytes)
  unsigned long long outBytes = 0;
  std::string drained;
};

ChildResult RunChild(const ChildSpec &setup);

// The bytes of a file, or "<missing>".
std::string FileBytes(const std::string &path);
// The names in a directory, sorted.
std::vector<std::string> ListDirectory(const std::string &dir);
// A fresh scratch directory, and its removal.
std::string MakeScratchDirectory();
void RemoveTree(const std::string &dir);

#endif

// wordhex-cli when the system fails it: the disk fills, the output cannot be
// made, the input cannot be read, a device or a FIFO takes the output. In
// every case: the right message, exit status 1, no output left, no device
// removed, and the input byte for byte as it was.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "tests/cli_child.h"

namespace {

const std::string RECORD = ":0400100001020304E2\r\n", RECORD_OUT = ":0400080001020304EA\r\n";
const std::string END = ":00000001FF\r\n";
const std::string GOOD = RECORD + END, GOOD_OUT = RECORD_OUT + END;
const std::string DAMAGED = RECORD + ":04001\r\n";

std::string Repeat(const std::string &text, int times) {
  std::string all;
  for (int i = 0; i < times; i++) all += text;
  return all;
}

// Output beyond the stream's 64 KiB buffer, so that writes fail part way.
const std::string BIG = Repeat(RECORD, 5000) + END;
const std::string BIG_DAMAGED = Repeat(RECORD, 5000) + ":04001\r\n";

const std::string DAMAGED_TEXT = " HEX файл повреждён.\n";
std::string WriteFailed(const std::string &path, const std::string &name) {
  return "wordhex-cli: " + path + ": Ошибка записи файла " + name + "!\n";
}
std::string CannotCreate(const std::string &path, const std::string &name) {
  return "wordhex-cli: " + path + ": Не удалось создать файл " + name + "!\n";
}

bool IsCharacterDevice(const char *path) {
  struct stat info;
  return stat(path, &info) == 0 && S_ISCHR(info.st_mode);
}

// Files under a directory whose own path leaves no room for theirs.
bool WriteAt(const std::string &directory, const std::string &name, const std::string &text) {
  int dirFd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  int fd = openat(dirFd, name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  bool ok = fd >= 0 && write(fd, text.data(), text.size()) == (ssize_t)text.size();
  close(fd);
  close(dirFd);
  return ok;
}

std::string ReadAt(const std::string &directory, const std::string &name) {
  int dirFd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  int fd = openat(dirFd, name.c_str(), O_RDONLY | O_CLOEXEC);
  std::string text;
  char buffer[4096];
  for (ssize_t got; fd >= 0 && (got = read(fd, buffer, sizeof buffer)) > 0;) text.append(buffer, (size_t)got);
  close(fd);
  close(dirFd);
  return fd >= 0 ? text : "<missing>";
}

class Fault : public ::testing::Test {
 protected:
  std::string dir;

  void SetUp() override {
    dir = MakeScratchDirectory();
    ASSERT_FALSE(dir.empty());
  }
  void TearDown() override {
    RemoveTree(dir);
    EXPECT_TRUE(IsCharacterDevice("/dev/null"));
    EXPECT_TRUE(IsCharacterDevice("/dev/full"));
  }
  std::string Path(const std::string &name) { return dir + "/" + name; }
  void Write(const std::string &name, const std::string &text) {
    FILE *file = fopen(Path(name).c_str(), "wb");
    ASSERT_NE(file, nullptr);
    fwrite(text.data(), 1, text.size(), file);
    fclose(file);
  }
  // `args` separated by blanks.
  ChildResult Run(const std::string &args, ChildSpec setup = ChildSpec()) {
    for (size_t at = 0, end; at < args.size(); at = end + 1) {
      end = args.find(' ', at);
      if (end == std::string::npos) end = args.size();
      setup.args.push_back(args.substr(at, end - at));
    }
    setup.dir = dir;
    setup.seconds = 30;
    return RunChild(setup);
  }
};

// The disk fills or the device is full: the write failure is reported after
// the conversion, unless the conversion failed first, and nothing is left.
TEST_F(Fault, WritesThatFail) {
  struct {
    const char *name;
    std::string input;
    std::string args;
    rlim_t fileSize;
    const char *older;  // an earlier file in the output's place, gone afterwards
    std::string message;
  } cases[] = {
      {"limit part way, beside the input", BIG, "in.hex", 4096, "in_I16.hex", WriteFailed("in_I16.hex", "in_I16.hex")},
      {"limit part way, -o", BIG, "-o out.hex in.hex", 70000, "out.hex", WriteFailed("out.hex", "out.hex")},
      {"limit one byte short of the end", GOOD, "in.hex", GOOD_OUT.size() - 1, "in_I16.hex",
       WriteFailed("in_I16.hex", "in_I16.hex")},
      {"no room at all", GOOD, "in.hex", 0, nullptr, WriteFailed("in_I16.hex", "in_I16.hex")},
      {"limit and a damaged input", BIG_DAMAGED, "in.hex", 4096, "in_I16.hex",
       "wordhex-cli: in.hex:5001:4:" + DAMAGED_TEXT},
      {"/dev/full part way", BIG, "-o /dev/full in.hex", RLIM_INFINITY, nullptr, WriteFailed("/dev/full", "full")},
      {"/dev/full and a damaged input", DAMAGED, "-o /dev/full in.hex", RLIM_INFINITY, nullptr,
       "wordhex-cli: in.hex:2:4:" + DAMAGED_TEXT},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    Write("in.hex", c.input);
    if (c.older != nullptr) Write(c.older, "an older output");
    ChildSpec setup;
    setup.fileSizeLimit = c.fileSize;
    ChildResult r = Run(c.args, setup);
    EXPECT_EQ(r.exitStatus, 1);
    EXPECT_EQ(r.err, c.message);
    EXPECT_EQ(ListDirectory(dir), std::vector<std::string>{"in.hex"});
    EXPECT_EQ(FileBytes(Path("in.hex")), c.input);
  }

  // Exactly as much room as the output needs is enough.
  Write("in.hex", GOOD);
  ChildSpec setup;
  setup.fileSizeLimit = GOOD_OUT.size();
  ChildResult r = Run("in.hex", setup);
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(FileBytes(Path("in_I16.hex")), GOOD_OUT);
}

// Nothing is converted and nothing created or removed: neither a directory
// nor a link in the output's place, and never the input under another name.
TEST_F(Fault, OutputsThatCannotBeCreated) {
  Write("app.hex", GOOD);
  Write("own.hex", GOOD);
  Write("hard.hex", GOOD);
  ASSERT_EQ(mkdir(Path("sub").c_str(), 0777), 0);
  ASSERT_EQ(symlink("app.hex", Path("soft.hex").c_str()), 0);
  ASSERT_EQ(symlink("soft.hex", Path("chain.hex").c_str()), 0);
  ASSERT_EQ(symlink("own.hex", Path("own_I16.hex").c_str()), 0);  // the output's name leads to the input
  ASSERT_EQ(link(Path("hard.hex").c_str(), Path("hard_I16.hex").c_str()), 0);
  // An input path within PATH_MAX whose output path is not.
  std::string deep;
  for (int i = 0; i < 16; i++) {
    deep += std::string(250, 'd') + "/";
    ASSERT_EQ(mkdir(Path(deep).c_str(), 0777), 0);
  }
  const std::string deepName(PATH_MAX - 2 - deep.size(), 'f');
  ASSERT_TRUE(WriteAt(Path(deep), deepName, GOOD));
  const std::string longName(300, 'n');
  std::string overLong;
  while (overLong.size() < PATH_MAX) overLong += "sub/./";

  struct {
    const char *name;
    std::string args;
    std::string message;
    const char *stdinFile;  // standard input from this file, if any
  } cases[] = {
      {"-o a directory", "-o sub app.hex", CannotCreate("sub", "sub"), nullptr},
      {"-o a name above 255 bytes", "-o " + longName + ".hex app.hex",
       CannotCreate(longName + ".hex", longName.substr(0, 255) + ".hex"), nullptr},
      {"-o a path above PATH_MAX", "-o " + overLong + "x.hex app.hex", CannotCreate(overLong + "x.hex", "x.hex"),
       nullptr},
      {"-o the input by another path", "-o sub/../app.hex app.hex", CannotCreate("sub/../app.hex", "app.hex"), nullptr},
      {"-o a link to a link to the input", "-o chain.hex app.hex", CannotCreate("chain.hex", "chain.hex"), nullptr},
      {"-o /dev/stdin, the input", "-o /dev/stdin -", CannotCreate("/dev/stdin", "stdin"), "app.hex"},
      {"the output's name a link to the input", "own.hex", CannotCreate("own_I16.hex", "own_I16.hex"), nullptr},
      {"the output's name a hard link to the input", "hard.hex", CannotCreate("hard_I16.hex", "hard_I16.hex"), nullptr},
      {"an output path above PATH_MAX", deep + deepName,
       CannotCreate(deep + deepName + "_I16.hex", deepName + "_I16.hex"), nullptr},
  };
  const std::vector<std::string> before = ListDirectory(dir);
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    ChildSpec setup;
    if (c.stdinFile != nullptr) setup.stdinPath = Path(c.stdinFile);
    ChildResult r = Run(c.args, setup);
    EXPECT_EQ(r.exitStatus, 1);
    EXPECT_EQ(r.err, c.message);
    EXPECT_EQ(ListDirectory(dir), before);
    EXPECT_EQ(ListDirectory(Path(deep)), std::vector<std::string>{deepName});
    for (const char *input : {"app.hex", "own.hex", "hard.hex", "soft.hex", "chain.hex", "own_I16.hex"}) {
      EXPECT_EQ(FileBytes(Path(input)), GOOD) << input;
    }
    EXPECT_EQ(ReadAt(Path(deep), deepName), GOOD);
  }
  char target[16] = {};
  EXPECT_EQ(readlink(Path("own_I16.hex").c_str(), target, sizeof target - 1), 7);
  EXPECT_STREQ(target, "own.hex");
}

// An input that cannot be opened is not found; one that fails while it is
// read ends the conversion there, like the end of the input.
TEST_F(Fault, InputsThatCannotBeRead) {
  ASSERT_EQ(symlink("removed.hex", Path("gone.hex").c_str()), 0);
  Write("removed.hex", GOOD);
  ASSERT_EQ(unlink(Path("removed.hex").c_str()), 0);
  ASSERT_EQ(mkdir(Path("sub").c_str(), 0777), 0);

  ChildResult r = Run("gone.hex");
  EXPECT_EQ(r.exitStatus, 1);
  EXPECT_EQ(r.err, "wordhex-cli: gone.hex: Не найден файл gone.hex!\n");
  r = Run("removed.hex");
  EXPECT_EQ(r.exitStatus, 1);
  EXPECT_EQ(r.err, "wordhex-cli: removed.hex: Не найден файл removed.hex!\n");
  ChildSpec fromDirectory;
  fromDirectory.stdinPath = Path("sub");  // every read fails with EISDIR
  r = Run("-o out.hex -", fromDirectory);
  EXPECT_EQ(r.exitStatus, 1);
  EXPECT_EQ(r.err, "wordhex-cli: -:1:1:" + DAMAGED_TEXT);
  EXPECT_EQ(ListDirectory(dir), (std::vector<std::string>{"gone.hex", "sub"}));

  // Reads fail with EIO after so many bytes.
  struct {
    std::string input;
    long after;
    std::string args;
    std::string message;  // empty: converts
  } cases[] = {
      {GOOD, 0, "in.hex", "wordhex-cli: in.hex:1:1:" + DAMAGED_TEXT},
      {GOOD, 21, "in.hex", "wordhex-cli: in.hex:2:1:" + DAMAGED_TEXT},         // at a line's start
      {GOOD, 25, "in.hex", "wordhex-cli: in.hex:2:5:" + DAMAGED_TEXT},         // in the address field
      {GOOD, 29, "in.hex", "wordhex-cli: in.hex:2:9:" + DAMAGED_TEXT},         // in the end record's type
      {GOOD, 30, "in.hex", ""},                                                // nothing after the type is read
      {BIG, 100000, "in.hex", "wordhex-cli: in.hex:4762:20:" + DAMAGED_TEXT},  // in the second buffer
      {BIG, 100000, "-o out.hex in.hex", "wordhex-cli: in.hex:4762:20:" + DAMAGED_TEXT},
  };
  unlink(Path("gone.hex").c_str());
  for (const auto &c : cases) {
    SCOPED_TRACE(c.after);
    Write("in.hex", c.input);
    ChildSpec setup;
    setup.env = {"LD_PRELOAD=" WORDHEX_READ_FAULT, "WORDHEX_READ_FAULT_AFTER=" + std::to_string(c.after)};
    // The shim stands before the sanitizer's runtime in the load order.
    const char *asan = getenv("ASAN_OPTIONS");
    if (WORDHEX_ASAN) setup.env.push_back(std::string("ASAN_OPTIONS=verify_asan_link_order=0:") + (asan ? asan : ""));
    r = Run(c.args, setup);
    EXPECT_EQ(r.exitStatus, c.message.empty() ? 0 : 1);
    EXPECT_EQ(r.err, c.message);
    std::vector<std::string> left = {"in.hex", "sub"};
    if (c.message.empty()) left.insert(left.begin() + 1, "in_I16.hex");
    EXPECT_EQ(ListDirectory(dir), left);
    EXPECT_EQ(FileBytes(Path("in.hex")), c.input);
    unlink(Path("in_I16.hex").c_str());
  }
}

// A device or a FIFO is written to and reported on, and never removed.
TEST_F(Fault, DevicesAndFifos) {
  Write("app.hex", GOOD);
  Write("bad.hex", DAMAGED);
  Write("big.hex", BIG);
  ChildResult r = Run("-o /dev/null app.hex");
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_EQ(r.err, "");

  ASSERT_EQ(mkfifo(Path("fifo").c_str(), 0666), 0);
  struct {
    const char *name;
    const char *input;
    const std::string &text;
    size_t readerTakes;  // then it goes away
    int exitStatus;
    std::string message;
    std::string received;
  } cases[] = {
      {"success", "app.hex", GOOD, ~0ul, 0, "", GOOD_OUT},
      {"damaged", "bad.hex", DAMAGED, ~0ul, 1, "wordhex-cli: bad.hex:2:4:" + DAMAGED_TEXT, RECORD_OUT + ":04FF\r\n"},
      {"the reader goes away", "big.hex", BIG, 1, 1, WriteFailed("fifo", "fifo"), ":"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    ChildSpec setup;
    setup.drainFd = open(Path("fifo").c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(setup.drainFd, 0);
    setup.drainLimit = c.readerTakes;
    r = Run(std::string("-o fifo ") + c.input, setup);
    EXPECT_EQ(r.exitStatus, c.exitStatus);
    EXPECT_EQ(r.err, c.message);
    EXPECT_EQ(r.drained, c.received);
    struct stat info;
    EXPECT_TRUE(lstat(Path("fifo").c_str(), &info) == 0 && S_ISFIFO(info.st_mode));
    const std::vector<std::string> files = {"app.hex", "bad.hex", "big.hex", "fifo"};
    EXPECT_EQ(ListDirectory(dir), files);
    EXPECT_EQ(FileBytes(Path(c.input)), c.text);
  }
}

}  // namespace

// wordhex-cli end to end, in a scratch directory.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

const std::string GOOD = ":0400100001020304E2\r\n:00000001FF\r\n";
const std::string GOOD_OUT = ":0400080001020304EA\r\n:00000001FF\r\n";
const std::string DAMAGED = ":0400100001020304E2\r\n:04001\r\n";
const std::string BAD_SUM = ":0400100001020304E2\n:0400100001020304E3\n:00000001FF\n";

class Cli : public ::testing::Test {
 protected:
  std::string dir;
  std::string err;

  void SetUp() override {
    char pattern[] = "/tmp/wordhex-cli-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir = pattern;
  }
  void TearDown() override { EXPECT_EQ(system(("rm -rf '" + dir + "'").c_str()), 0); }

  std::string Path(const std::string &name) { return dir + "/" + name; }
  void Write(const std::string &name, const std::string &text) { std::ofstream(Path(name), std::ios::binary) << text; }
  std::string Read(const std::string &name) {
    std::ifstream file(Path(name), std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
  }
  bool Exists(const std::string &name) {
    struct stat info;
    return lstat(Path(name).c_str(), &info) == 0;
  }
  // Runs wordhex-cli in the scratch directory with a shell's `arguments`;
  // returns its exit status and keeps standard error in `err`.
  int Run(const std::string &arguments) {
    std::string command = "cd '" + dir + "' && LC_ALL=C.UTF-8 '" WORDHEX_CLI "' " + arguments + " 2>stderr.txt";
    int status = system(command.c_str());
    err = Read("stderr.txt");
    unlink(Path("stderr.txt").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
};

TEST_F(Cli, ConvertsSilentlyBesideTheInput) {
  Write("app.hex", GOOD);
  EXPECT_EQ(Run("app.hex"), 0);
  EXPECT_EQ(err, "");
  EXPECT_EQ(Read("app_I16.hex"), GOOD_OUT);
  EXPECT_EQ(Run("-o out.txt app.hex"), 0);
  EXPECT_EQ(Read("out.txt"), GOOD_OUT);
  EXPECT_EQ(Run("--output=out2.txt app.hex"), 0);
  EXPECT_EQ(Read("out2.txt"), GOOD_OUT);
  EXPECT_EQ(Run("--output out3.txt app.hex"), 0);
  EXPECT_EQ(Read("out3.txt"), GOOD_OUT);
  EXPECT_EQ(Run("-oout4.txt app.hex"), 0);
  EXPECT_EQ(Read("out4.txt"), GOOD_OUT);
}

TEST_F(Cli, FailedConversionsSayWhereAndLeaveNoOutput) {
  struct {
    const char *name;
    std::string input;
    const char *message;
  } cases[] = {
      {"damaged.hex", DAMAGED, "wordhex-cli: damaged.hex:2:4: HEX файл повреждён.\n"},
      {"sum.hex", BAD_SUM, "wordhex-cli: sum.hex:2:18: Ошибка контрольной суммы.\n"},
      {"noend.hex", ":0400100001020304E2\r\n", "wordhex-cli: noend.hex:2:1: HEX файл повреждён.\n"},
      {"empty.hex", "", "wordhex-cli: empty.hex:1:1: HEX файл повреждён.\n"},
      {"type.hex", ":00000006FA\n", "wordhex-cli: type.hex:1:8: HEX файл повреждён.\n"},
  };
  for (const auto &c : cases) {
    Write(c.name, c.input);
    std::string output = std::string(c.name).replace(std::string(c.name).find(".hex"), 4, "_I16.hex");
    Write(output, "older output");
    EXPECT_EQ(Run(c.name), 1) << c.name;
    EXPECT_EQ(err, c.message);
    EXPECT_FALSE(Exists(output)) << c.name;
    EXPECT_EQ(Read(c.name), c.input);
  }
}

TEST_F(Cli, FilesThatCannotBeOpenedOrCreated) {
  EXPECT_EQ(Run("sub/missing.hex"), 1);
  EXPECT_EQ(err, "wordhex-cli: sub/missing.hex: Не найден файл missing.hex!\n");
  mkdir(Path("dir.hex").c_str(), 0777);
  EXPECT_EQ(Run("dir.hex"), 1);
  EXPECT_EQ(err, "wordhex-cli: dir.hex: Не найден файл dir.hex!\n");

  Write("app.hex", GOOD);
  mkdir(Path("app_I16.hex").c_str(), 0777);  // a directory in the output's place
  EXPECT_EQ(Run("app.hex"), 1);
  EXPECT_EQ(err, "wordhex-cli: app_I16.hex: Не удалось создать файл app_I16.hex!\n");
  EXPECT_EQ(Run("-o nowhere/x.hex app.hex"), 1);
  EXPECT_EQ(err, "wordhex-cli: nowhere/x.hex: Не удалось создать файл x.hex!\n");
  EXPECT_FALSE(Exists("nowhere"));

  // The input itself through standard input (links and other paths: fault tests).
  EXPECT_EQ(Run("-o app.hex - <app.hex"), 1);
  EXPECT_EQ(err, "wordhex-cli: app.hex: Не удалось создать файл app.hex!\n");
  EXPECT_EQ(Read("app.hex"), GOOD);
  // Standard output appending to the input: refused, or it would never end.
  EXPECT_EQ(Run("-o - app.hex >>app.hex"), 1);
  EXPECT_EQ(err, "wordhex-cli: app.hex: Не найден файл app.hex!\n");
  EXPECT_EQ(Read("app.hex"), GOOD);
}

TEST_F(Cli, TooLongAnOutputPathIsRefused) {
  std::string name(250, 'n');
  Write(name + ".x", GOOD);  // the output's name would be 258 bytes, above the 255 a file system allows
  EXPECT_EQ(Run(name + ".x"), 1);
  EXPECT_EQ(err, "wordhex-cli: " + name + "_I16.hex: Не удалось создать файл " + name + "_I16.hex!\n");
}

TEST_F(Cli, StandardStreams) {
  Write("app.hex", GOOD);
  EXPECT_EQ(Run("-o - - <app.hex >piped.hex"), 0);
  EXPECT_EQ(Read("piped.hex"), GOOD_OUT);
  EXPECT_EQ(Run("-o - app.hex | cat >piped2.hex"), 0);
  EXPECT_EQ(Read("piped2.hex"), GOOD_OUT);
  Write("bad.hex", DAMAGED);
  EXPECT_EQ(Run("-o - - <bad.hex >partial.hex"), 1);  // standard output is never removed
  EXPECT_TRUE(Exists("partial.hex"));
  EXPECT_EQ(err, "wordhex-cli: -:2:4: HEX файл повреждён.\n");
}

TEST_F(Cli, SeveralFilesGoOnAfterAFailure) {
  Write("a.hex", GOOD);
  Write("b.hex", BAD_SUM);
  Write("c.hex", GOOD);
  EXPECT_EQ(Run("a.hex b.hex missing.hex c.hex"), 1);
  EXPECT_EQ(err,
            "wordhex-cli: b.hex:2:18: Ошибка контрольной суммы.\n"
            "wordhex-cli: missing.hex: Не найден файл missing.hex!\n");
  EXPECT_EQ(Read("a_I16.hex"), GOOD_OUT);
  EXPECT_FALSE(Exists("b_I16.hex"));
  EXPECT_EQ(Read("c_I16.hex"), GOOD_OUT);
}

TEST_F(Cli, UsageErrors) {
  Write("a.hex", GOOD);
  for (const char *arguments : {"", "-o", "-x a.hex", "-o out.hex a.hex a.hex", "-", "-o '' a.hex"}) {
    EXPECT_EQ(Run(arguments), 2) << arguments;
    EXPECT_NE(err.find("Usage: wordhex-cli [-o OUTPUT] FILE..."), std::string::npos) << arguments;
  }
  EXPECT_FALSE(Exists("a_I16.hex"));
  EXPECT_EQ(Run("--help >help.txt"), 0);
  EXPECT_NE(Read("help.txt").find("Usage:"), std::string::npos);
  EXPECT_EQ(Run("--version >version.txt"), 0);
  EXPECT_EQ(Read("version.txt"), "wordhex-cli " WORDHEX_VERSION "\n");
  EXPECT_EQ(Run("-- a.hex"), 0);  // "--" ends the options
}

}  // namespace

#include "frontend/run.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/fake_platform.h"

namespace {

const std::string GOOD = ":0400100001020304E2\r\n:00000001FF\r\n";
const std::string GOOD_OUT = ":0400080001020304EA\r\n:00000001FF\r\n";
const std::string IN = "C:\\fw\\app.hex";
const std::string OUT = "C:\\fw\\app_I16.hex";

struct RunCase {
  const char *name;
  std::string input;
  std::vector<std::string> log;  // after "dialog", "open IN", "create OUT"
};

// Everything that reaches the output stage: close input, close output, then
// at most one box, then the deletion.
TEST(RunConversion, StatusToMessageAndDeletion) {
  const std::string closes[] = {"close " + IN, "close " + OUT};
  const RunCase cases[] = {
      {"success", GOOD, {}},
      {"damaged", ":04001\r\n", {"box HEX файл повреждён.", "delete " + OUT}},
      {"no end record", ":0400100001020304E2\r\n", {"box HEX файл повреждён.", "delete " + OUT}},
      {"stray line", "\r\n" + GOOD, {"box HEX файл повреждён.", "delete " + OUT}},
      {"bad checksum", ":0400100001020304E3\r\n" + GOOD, {"box Ошибка контрольной суммы.", "delete " + OUT}},
  };
  for (const RunCase &c : cases) {
    SCOPED_TRACE(c.name);
    FakePlatform &p = ResetFakePlatform();
    p.chosen = IN;
    p.files[IN].data = c.input;
    p.files[OUT].data = "an older output";
    EXPECT_EQ(RunConversion(), 0);
    std::vector<std::string> expected = {"dialog", "open " + IN, "create " + OUT, closes[0], closes[1]};
    expected.insert(expected.end(), c.log.begin(), c.log.end());
    EXPECT_EQ(p.log, expected);
    EXPECT_EQ(p.files.count(OUT), c.log.empty() ? 1u : 0u);
    if (c.log.empty()) {
      EXPECT_EQ(p.files[OUT].data, GOOD_OUT);
    }
    for (bool shown : p.outputShownWithBox) EXPECT_TRUE(shown);  // deleted only after the box
    EXPECT_EQ(p.files[IN].data, c.input);
  }
}

TEST(RunConversion, FailuresBeforeTheConversion) {
  FakePlatform &p = ResetFakePlatform();
  p.cancel = true;
  RunConversion();
  EXPECT_EQ(p.log, std::vector<std::string>{"dialog"});

  p = ResetFakePlatform();
  p.chosen = IN;
  p.files[IN].data = GOOD;
  p.unopenable.insert(IN);
  RunConversion();
  EXPECT_EQ(p.log, (std::vector<std::string>{"dialog", "open " + IN + " failed", "box Не найден файл app.hex!"}));
  EXPECT_EQ(p.files.count(OUT), 0u);

  // The output cannot be made: say so, convert nothing, delete nothing.
  p = ResetFakePlatform();
  p.chosen = IN;
  p.files[IN].data = GOOD;
  p.uncreatable.insert(OUT);
  RunConversion();
  EXPECT_EQ(p.log, (std::vector<std::string>{"dialog", "open " + IN, "create " + OUT + " failed", "close " + IN,
                                             "box Не удалось создать файл app_I16.hex!"}));

  // Too long an output path is refused the same way, before anything is created.
  p = ResetFakePlatform();
  p.chosen = "/" + std::string(300, 'b') + ".hex";
  p.files[p.chosen].data = GOOD;
  RunConversion();
  ASSERT_EQ(p.log.size(), 4u);
  EXPECT_EQ(p.log[2], "close " + p.chosen);
  EXPECT_EQ(p.log[3], "box Не удалось создать файл " + std::string(255, 'b') + "_I16.hex!");
}

TEST(RunConversion, WriteFailureIsReportedAndCleanedUp) {
  FakePlatform &p = ResetFakePlatform();
  p.chosen = IN;
  p.files[IN].data = GOOD;
  p.writeLimit = 10;
  RunConversion();
  EXPECT_EQ(p.log, (std::vector<std::string>{"dialog", "open " + IN, "create " + OUT, "close " + IN, "close " + OUT,
                                             "box Ошибка записи файла app_I16.hex!", "delete " + OUT}));
  EXPECT_EQ(p.files.count(OUT), 0u);

  // A device in the output's place is written to, reported, never removed.
  p = ResetFakePlatform();
  p.chosen = IN;
  p.files[IN].data = ":04001\r\n";
  p.files[OUT].regular = false;
  RunConversion();
  EXPECT_EQ(p.log.back(), "box HEX файл повреждён.");
  EXPECT_EQ(p.files.count(OUT), 1u);
}

}  // namespace

// RunConversion through the scripted stand-in platform: the status decides
// the box and the deletion; the box comes after both files are closed, the
// deletion after the box; a device is never deleted; the input never touched.
#include "frontend/run.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/fake_platform.h"

namespace {

const std::string RECORD = ":0400100001020304E2\r\n", RECORD_OUT = ":0400080001020304EA\r\n";
const std::string END = ":00000001FF\r\n";
const std::string GOOD = RECORD + END, GOOD_OUT = RECORD_OUT + END;
const std::string IN = "C:\\fw\\app.hex", OUT = "C:\\fw\\app_I16.hex";

std::string Records(int count) {
  std::string all;
  for (int i = 0; i < count; i++) all += RECORD;
  return all;
}
// Past the streams' 64 KiB buffers: a write or a read can fail after a first
// one succeeded.
const std::string BIG = Records(5000) + END;

const std::string DAMAGED_BOX = "box HEX файл повреждён.", CHECKSUM_BOX = "box Ошибка контрольной суммы.";
const std::string WRITE_BOX = "box Ошибка записи файла app_I16.hex!", DELETE = "delete " + OUT;

TEST(RunConversion, StatusToBoxAndDeletion) {
  const size_t NONE = ~size_t(0);
  struct {
    const char *name;
    std::string input;
    size_t readLimit, writeLimit;
    bool device;                   // a device stands in the output's place
    std::vector<std::string> end;  // the log after both closes
  } cases[] = {
      {"success", GOOD, NONE, NONE, false, {}},
      {"damaged", ":04001\r\n", NONE, NONE, false, {DAMAGED_BOX, DELETE}},
      {"no end record", RECORD, NONE, NONE, false, {DAMAGED_BOX, DELETE}},
      {"stray line", "\r\n" + GOOD, NONE, NONE, false, {DAMAGED_BOX, DELETE}},
      {"bad checksum", ":0400100001020304E3\r\n" + GOOD, NONE, NONE, false, {CHECKSUM_BOX, DELETE}},
      {"a write fails part way", BIG, NONE, 100000, false, {WRITE_BOX, DELETE}},
      {"the first write fails", BIG, NONE, 0, false, {WRITE_BOX, DELETE}},
      {"the last byte cannot be written", GOOD, NONE, GOOD_OUT.size() - 1, false, {WRITE_BOX, DELETE}},
      {"exactly enough room", GOOD, NONE, GOOD_OUT.size(), false, {}},
      {"a read fails part way", BIG, 100000, NONE, false, {DAMAGED_BOX, DELETE}},
      {"a read fails in a field", GOOD, 25, NONE, false, {DAMAGED_BOX, DELETE}},
      {"a read fails after the end record's type", GOOD, 30, NONE, false, {}},
      {"a device that fails a write", BIG, NONE, 100000, true, {WRITE_BOX}},
      {"a device and a read failing", BIG, 100000, NONE, true, {DAMAGED_BOX}},
      {"a device and a bad checksum", ":0400100001020304E3\r\n", NONE, NONE, true, {CHECKSUM_BOX}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    FakePlatform &p = ResetFakePlatform();
    p.chosen = IN;
    p.files[IN].data = c.input;
    p.files[OUT] = {"an older output", !c.device};
    p.readLimit = c.readLimit;
    p.writeLimit = c.writeLimit;
    EXPECT_EQ(RunConversion(), 0);
    std::vector<std::string> log = {"dialog", "open " + IN, "create " + OUT, "close " + IN, "close " + OUT};
    log.insert(log.end(), c.end.begin(), c.end.end());
    EXPECT_EQ(p.log, log);
    for (bool shown : p.outputShownWithBox) EXPECT_TRUE(shown);  // deleted only after the box
    bool kept = c.end.empty() || c.device;
    EXPECT_EQ(p.files.count(OUT), kept ? 1u : 0u);
    if (c.end.empty()) {
      EXPECT_EQ(p.files[OUT].data, GOOD_OUT);
    }
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

  // The output cannot be made: say so, convert nothing, and leave whatever
  // stands under that name alone.
  p = ResetFakePlatform();
  p.chosen = IN;
  p.files[IN].data = GOOD;
  p.files[OUT].data = "an older output";
  p.uncreatable.insert(OUT);
  RunConversion();
  EXPECT_EQ(p.log, (std::vector<std::string>{"dialog", "open " + IN, "create " + OUT + " failed", "close " + IN,
                                             "box Не удалось создать файл app_I16.hex!"}));
  EXPECT_EQ(p.files[OUT].data, "an older output");

  // Too long an output path is refused the same way, before anything is created.
  p = ResetFakePlatform();
  p.chosen = "/" + std::string(300, 'b') + ".hex";
  p.files[p.chosen].data = GOOD;
  RunConversion();
  ASSERT_EQ(p.log.size(), 4u);
  EXPECT_EQ(p.log[2], "close " + p.chosen);
  EXPECT_EQ(p.log[3], "box Не удалось создать файл " + std::string(255, 'b') + "_I16.hex!");
}

}  // namespace

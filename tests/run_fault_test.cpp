// RunConversion when the platform fails it part way, through the scripted
// stand-in: a write or a read failing in the middle of a file bigger than the
// streams' buffers, an output that cannot be created over an older one, a
// device in the output's place. The box comes after both files are closed, the
// deletion after the box, a device is never deleted, and the input is never
// touched.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frontend/run.h"
#include "tests/fake_platform.h"

namespace {

const std::string RECORD = ":0400100001020304E2\r\n", RECORD_OUT = ":0400080001020304EA\r\n";
const std::string END = ":00000001FF\r\n";
const std::string IN = "C:\\fw\\app.hex", OUT = "C:\\fw\\app_I16.hex";

std::string Records(int count) {
  std::string all;
  for (int i = 0; i < count; i++) all += RECORD;
  return all;
}

const std::string GOOD = RECORD + END, GOOD_OUT = RECORD_OUT + END;
// 5000 records: the output passes the 64 KiB buffer, so a write fails after
// a first one has succeeded, and a read after a first buffer was read.
const std::string BIG = Records(5000) + END;

const std::string DAMAGED_BOX = "box HEX файл повреждён.", WRITE_BOX = "box Ошибка записи файла app_I16.hex!";

TEST(RunConversionFaults, FailuresPartWay) {
  const size_t NONE = ~size_t(0);
  struct {
    const char *name;
    const std::string &input;
    size_t readLimit, writeLimit;
    bool device;                   // a device stands in the output's place
    std::vector<std::string> end;  // the log after both closes
    const std::string *output;     // what the output holds afterwards; null: gone
  } cases[] = {
      {"a write fails part way", BIG, NONE, 100000, false, {WRITE_BOX, "delete " + OUT}, nullptr},
      {"the first write fails", BIG, NONE, 0, false, {WRITE_BOX, "delete " + OUT}, nullptr},
      {"the last bytes cannot be written",
       GOOD,
       NONE,
       GOOD_OUT.size() - 1,
       false,
       {WRITE_BOX, "delete " + OUT},
       nullptr},
      {"exactly enough room", GOOD, NONE, GOOD_OUT.size(), false, {}, &GOOD_OUT},
      {"a read fails part way", BIG, 100000, NONE, false, {DAMAGED_BOX, "delete " + OUT}, nullptr},
      {"a read fails in a field", GOOD, 25, NONE, false, {DAMAGED_BOX, "delete " + OUT}, nullptr},
      {"the first read fails", GOOD, 0, NONE, false, {DAMAGED_BOX, "delete " + OUT}, nullptr},
      {"a read fails after the end record's type", GOOD, 30, NONE, false, {}, &GOOD_OUT},
      {"a device that fails a write", BIG, NONE, 100000, true, {WRITE_BOX}, nullptr},
      {"a device and a read failing", BIG, 100000, NONE, true, {DAMAGED_BOX}, nullptr},
      {"a device and a bad checksum",
       ":0400100001020304E3\r\n",
       NONE,
       NONE,
       true,
       {"box Ошибка контрольной суммы."},
       nullptr},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    FakePlatform &p = ResetFakePlatform();
    p.chosen = IN;
    p.files[IN].data = c.input;
    p.files[OUT].data = "an older output";
    p.files[OUT].regular = !c.device;
    p.readLimit = c.readLimit;
    p.writeLimit = c.writeLimit;
    EXPECT_EQ(RunConversion(), 0);
    std::vector<std::string> log = {"dialog", "open " + IN, "create " + OUT, "close " + IN, "close " + OUT};
    log.insert(log.end(), c.end.begin(), c.end.end());
    EXPECT_EQ(p.log, log);
    for (bool shown : p.outputShownWithBox) EXPECT_TRUE(shown);  // deleted only after the box
    EXPECT_EQ(p.files.count(OUT), c.output != nullptr || c.device ? 1u : 0u);
    if (c.output != nullptr) {
      EXPECT_EQ(p.files[OUT].data, *c.output);
    }
    EXPECT_EQ(p.files[IN].data, c.input);
  }
}

// An older output that cannot be replaced stays as it was: it is not ours.
TEST(RunConversionFaults, AnOutputThatCannotBeCreatedIsLeftAlone) {
  FakePlatform &p = ResetFakePlatform();
  p.chosen = IN;
  p.files[IN].data = BIG;
  p.files[OUT].data = "an older output";
  p.uncreatable.insert(OUT);
  EXPECT_EQ(RunConversion(), 0);
  EXPECT_EQ(p.log, (std::vector<std::string>{"dialog", "open " + IN, "create " + OUT + " failed", "close " + IN,
                                             "box Не удалось создать файл app_I16.hex!"}));
  EXPECT_EQ(p.files[OUT].data, "an older output");
  EXPECT_EQ(p.files[IN].data, BIG);
}

}  // namespace

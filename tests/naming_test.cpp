#include "frontend/naming.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const unsigned char NO_LEAD_BYTES[PLATFORM_LEAD_BYTE_RANGES] = {};
const unsigned char CODE_PAGE_932[PLATFORM_LEAD_BYTE_RANGES] = {0x81, 0x9F, 0xE0, 0xFC};
// No code page has these, but a lead byte is a lead byte: never a separator.
const unsigned char BACKSLASH_LEADS[PLATFORM_LEAD_BYTE_RANGES] = {0x5C, 0x5C};
// As many ranges as fit, with no zero pair to end them.
const unsigned char SIX_RANGES[PLATFORM_LEAD_BYTE_RANGES] = {0x81, 0x81, 0x83, 0x83, 0x85, 0x85,
                                                             0x87, 0x87, 0x89, 0x89, 0x8B, 0x8B};

struct Names {
  bool ok;
  std::string drive, directory, baseName, extension, output;
};

Names Make(const std::string &path) {
  static char drive[DRIVE_SIZE], directory[PLATFORM_DIRECTORY_SIZE], baseName[PLATFORM_COMPONENT_SIZE];
  static char extension[PLATFORM_COMPONENT_SIZE], output[PLATFORM_PATH_SIZE];
  bool ok = MakeOutputPath(path.c_str(), drive, directory, baseName, extension, output);
  return {ok, drive, directory, baseName, extension, output};
}

struct NamingCase {
  const unsigned char *leadBytes;
  std::string path;
  std::string drive, directory, baseName, extension, output;
};

TEST(MakeOutputPath, SplitsAndNames) {
  const NamingCase cases[] = {
      {NO_LEAD_BYTES, "C:\\work\\prog.hex", "C:", "\\work\\", "prog", ".hex", "C:\\work\\prog_I16.hex"},
      {NO_LEAD_BYTES, "C:\\work\\prog", "C:", "\\work\\", "prog", "", "C:\\work\\prog_I16.hex"},
      {NO_LEAD_BYTES, "C:\\fw.old\\image.rev.HEX", "C:", "\\fw.old\\", "image.rev", ".HEX",
       "C:\\fw.old\\image.rev_I16.hex"},
      {NO_LEAD_BYTES, "\\\\server\\share\\a.hex", "", "\\\\server\\share\\", "a", ".hex",
       "\\\\server\\share\\a_I16.hex"},
      {NO_LEAD_BYTES, "C:\\dir\\.hex", "C:", "\\dir\\", "", ".hex", "C:\\dir\\_I16.hex"},
      {NO_LEAD_BYTES, "C:/data/x.hex", "C:", "/data/", "x", ".hex", "C:/data/x_I16.hex"},
      {NO_LEAD_BYTES, "/srv/fw/app.hex", "", "/srv/fw/", "app", ".hex", "/srv/fw/app_I16.hex"},
      {NO_LEAD_BYTES, "app.hex", "", "", "app", ".hex", "app_I16.hex"},
      {NO_LEAD_BYTES, "x:app", "x:", "", "app", "", "x:app_I16.hex"},
      {NO_LEAD_BYTES, "", "", "", "", "", "_I16.hex"},
      {NO_LEAD_BYTES, "dir/", "", "dir/", "", "", "dir/_I16.hex"},
      {NO_LEAD_BYTES, "dir.d/name", "", "dir.d/", "name", "", "dir.d/name_I16.hex"},  // a dot only in the directory
      // Without lead bytes 0x5C is a separator; in code page 932 it ends the character 0x95 0x5C.
      {NO_LEAD_BYTES, "C:\\\x95\x5C.hex", "C:", "\\\x95\\", "", ".hex", "C:\\\x95\\_I16.hex"},
      {CODE_PAGE_932, "C:\\\x95\x5C.hex", "C:", "\\", "\x95\x5C", ".hex", "C:\\\x95\x5C_I16.hex"},
      {CODE_PAGE_932, "d\\\x81.x\\f", "", "d\\\x81.x\\", "f", "", "d\\\x81.x\\f_I16.hex"},
      {CODE_PAGE_932, "a\x81/b.hex", "", "", "a\x81/b", ".hex", "a\x81/b_I16.hex"},
      {CODE_PAGE_932, "a.b\x81", "", "", "a", ".b\x81", "a_I16.hex"},  // a lead byte at the very end stands alone
      {CODE_PAGE_932, "\xE0\x40.hex", "", "", "\xE0\x40", ".hex", "\xE0\x40_I16.hex"},
      {BACKSLASH_LEADS, "d\\x\\y.hex", "", "", "d\\x\\y", ".hex", "d\\x\\y_I16.hex"},
      {SIX_RANGES, "\x8B\\.hex", "", "", "\x8B\\", ".hex", "\x8B\\_I16.hex"},  // the sixth range counts
  };
  for (const NamingCase &c : cases) {
    SetLeadByteRanges(c.leadBytes);
    Names n = Make(c.path);
    SCOPED_TRACE(c.path);
    EXPECT_TRUE(n.ok);
    EXPECT_EQ(n.drive, c.drive);
    EXPECT_EQ(n.directory, c.directory);
    EXPECT_EQ(n.baseName, c.baseName);
    EXPECT_EQ(n.extension, c.extension);
    EXPECT_EQ(n.output, c.output);
  }
  SetLeadByteRanges(NO_LEAD_BYTES);
}

TEST(MakeOutputPath, CutsKeepWholeCharactersAndRefuseAnotherName) {
  SetLeadByteRanges(CODE_PAGE_932);
  // 254 bytes then a double-byte character: the cut at 255 would split it.
  Names n = Make("d/" + std::string(254, 'a') + "\x81\x40.hex");
  EXPECT_FALSE(n.ok);
  EXPECT_EQ(n.output, "");
  EXPECT_EQ(n.baseName, std::string(254, 'a'));
  n = Make("d/" + std::string(253, 'a') + "\x81\x40.hex");  // exactly 255 bytes fit
  EXPECT_TRUE(n.ok);
  EXPECT_EQ(n.output, "d/" + std::string(253, 'a') + "\x81\x40_I16.hex");
  // Without lead bytes the same byte is a single character and fits as the 255th.
  SetLeadByteRanges(NO_LEAD_BYTES);
  n = Make("d/" + std::string(254, 'a') + "\x81\x40.hex");
  EXPECT_FALSE(n.ok);
  EXPECT_EQ(n.baseName, std::string(254, 'a') + "\x81");

  // A long extension is cut for the message but does not move the output.
  n = Make("d/a." + std::string(300, 'e'));
  EXPECT_TRUE(n.ok);
  EXPECT_EQ(n.extension, "." + std::string(254, 'e'));
  EXPECT_EQ(n.output, "d/a_I16.hex");

  // An output path that would not fit its buffer is refused, never shortened.
  const size_t directoryLength = PLATFORM_PATH_SIZE - 1 - sizeof OUTPUT_SUFFIX + 1 - 10;
  std::string directory;
  while (directory.size() + 101 < directoryLength) directory += std::string(100, 'd') + "/";
  directory += std::string(directoryLength - directory.size() - 1, 'd') + "/";
  EXPECT_EQ(Make(directory + "bbbbbbbbbb.hex").output.size(), PLATFORM_PATH_SIZE - 1u);
  n = Make(directory + "bbbbbbbbbbb.hex");
  EXPECT_FALSE(n.ok);
  EXPECT_EQ(n.output, "");
}

}  // namespace

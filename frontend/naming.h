// Naming the output after the input: same drive and directory, the input's
// base name, and "_I16.hex" in place of the extension.
#ifndef WORDHEX_FRONTEND_NAMING_H
#define WORDHEX_FRONTEND_NAMING_H

#include "platform/platform.h"

enum { DRIVE_SIZE = 3 };

#define OUTPUT_SUFFIX "_I16.hex"

// Which bytes start a double-byte character in paths, and which may follow
// such a lead byte: pairs of first and last byte, ended by a zero pair or at
// the array's end. Without trail ranges any byte but the terminator follows a
// lead byte (the Windows rule). With them (the POSIX rule) a lead byte before
// any other byte stands alone, and '/' is never part of a character, since
// the kernel splits paths there whatever the encoding. Set once at start-up;
// no lead bytes until then.
void SetByteRanges(const unsigned char leadRanges[PLATFORM_LEAD_BYTE_RANGES],
                   const unsigned char trailRanges[PLATFORM_TRAIL_BYTE_RANGES]);

// Whether a path may start with a drive, "C:": on Windows; on POSIX a ':' is
// part of a name like any other byte. Set once at start-up; drives until then.
void SetPathDrives(bool drives);

// Splits `path` into drive ("C:" or empty), directory (up to the last '\' or
// '/'), base name and extension (from the last '.' of the final component).
// Each component is cut to its buffer without splitting a double-byte
// character.
void SplitPath(const char *path, char drive[DRIVE_SIZE], char directory[PLATFORM_DIRECTORY_SIZE],
               char baseName[PLATFORM_COMPONENT_SIZE], char extension[PLATFORM_COMPONENT_SIZE]);

// Where the final component of `path` begins: past its drive and its last
// '\' or '/', as SplitPath finds them.
size_t NameStart(const char *path);
// Where its base name ends: at the last '.' of the final component, or at
// the end.
size_t BaseEnd(const char *path);

// Splits `inputPath` as above and writes drive + directory + base name +
// OUTPUT_SUFFIX into `outputPath`. Returns false, with an empty output path,
// when the directory or base name had to be cut or the output path would not
// fit: the output is then refused rather than put under another name.
bool MakeOutputPath(const char *inputPath, char drive[DRIVE_SIZE], char directory[PLATFORM_DIRECTORY_SIZE],
                    char baseName[PLATFORM_COMPONENT_SIZE], char extension[PLATFORM_COMPONENT_SIZE],
                    char outputPath[PLATFORM_PATH_SIZE]);

// As MakeOutputPath, with `suffix` in place of OUTPUT_SUFFIX.
bool MakeOutputPathWithSuffix(const char *inputPath, const char *suffix, char drive[DRIVE_SIZE],
                              char directory[PLATFORM_DIRECTORY_SIZE], char baseName[PLATFORM_COMPONENT_SIZE],
                              char extension[PLATFORM_COMPONENT_SIZE], char outputPath[PLATFORM_PATH_SIZE]);

#endif

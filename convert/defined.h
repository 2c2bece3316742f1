// What a file has defined so far, as ranges of byte addresses: enough for a
// fill to tell whether it would land on data that a record elsewhere
// defines, in memory that stays the same whatever the file's size.
#ifndef WORDHEX_CONVERT_DEFINED_H
#define WORDHEX_CONVERT_DEFINED_H

// Linkers write few ranges, one or two a section; beyond this many apart,
// the two closest become one, gap included, so that a fill into such a gap
// is refused rather than ever landing on data unseen.
enum { DEFINED_RANGES = 256 };

// Ascending, apart: no two touch or overlap.
struct DefinedBytes {
  unsigned count;
  unsigned long long first[DEFINED_RANGES], last[DEFINED_RANGES];
};

void DefineBytesSlow(DefinedBytes *defined, unsigned long long first, unsigned long long last);

// Adds the bytes from `first` to `last`; a range that continues the highest
// one, as a linker writes them, costs one comparison.
inline void DefineBytes(DefinedBytes *defined, unsigned long long first, unsigned long long last) {
  unsigned top = defined->count - 1;
  if (defined->count != 0 && first == defined->last[top] + 1) {
    defined->last[top] = last;
  } else {
    DefineBytesSlow(defined, first, last);
  }
}

// Whether any byte from `first` to `last` has been defined.
bool AnyDefined(const DefinedBytes *defined, unsigned long long first, unsigned long long last);

#endif

#include "convert/defined.h"

#include <string.h>

// The first range that ends at or above `address`.
static unsigned FirstEndingFrom(const DefinedBytes *defined, unsigned long long address) {
  unsigned low = 0, high = defined->count;
  while (low < high) {
    unsigned middle = (low + high) / 2;
    if (defined->last[middle] < address) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  return low;
}

// Moves the ranges from `from` on to `to`, in either direction.
static void MoveRanges(DefinedBytes *defined, unsigned to, unsigned from) {
  size_t count = defined->count - from;
  memmove(defined->first + to, defined->first + from, count * sizeof defined->first[0]);
  memmove(defined->last + to, defined->last + from, count * sizeof defined->last[0]);
  defined->count = to + (unsigned)count;
}

void DefineBytesSlow(DefinedBytes *defined, unsigned long long first, unsigned long long last) {
  // The ranges that touch or overlap the new one, from `at` to `end`, become one with it.
  unsigned at = FirstEndingFrom(defined, first > 0 ? first - 1 : 0), end = at;
  while (end < defined->count && defined->first[end] <= last + 1) end++;
  if (end == at && defined->count == DEFINED_RANGES) {
    unsigned closest = 1;
    for (unsigned i = 2; i < defined->count; i++) {
      if (defined->first[i] - defined->last[i - 1] < defined->first[closest] - defined->last[closest - 1]) closest = i;
    }
    defined->last[closest - 1] = defined->last[closest];
    MoveRanges(defined, closest, closest + 1);
    return DefineBytesSlow(defined, first, last);
  }
  if (end == at) {
    MoveRanges(defined, at + 1, at);
  } else {
    if (defined->first[at] < first) first = defined->first[at];
    if (defined->last[end - 1] > last) last = defined->last[end - 1];
    MoveRanges(defined, at + 1, end);
  }
  defined->first[at] = first;
  defined->last[at] = last;
}

bool AnyDefined(const DefinedBytes *defined, unsigned long long first, unsigned long long last) {
  unsigned at = FirstEndingFrom(defined, first);
  return at < defined->count && defined->first[at] <= last;
}

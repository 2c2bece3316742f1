#include <string.h>

#include "convert/format.h"

// Intel HEX is written record by record (convert/convert.cpp); the others
// are word images, one file each in convert/formats/.
static const OutputFormat IHEX_FORMAT = {"ihex", ".hex", 0, false, 0, nullptr, nullptr, nullptr};
extern const OutputFormat VMEM_FORMAT, MIF_FORMAT, COE_FORMAT;

const OutputFormat *const OUTPUT_FORMATS[FORMAT_COUNT] = {&IHEX_FORMAT, &VMEM_FORMAT, &MIF_FORMAT, &COE_FORMAT};

unsigned FindOutputFormat(const char *name) {
  unsigned index = 0;
  while (index < FORMAT_COUNT && strcmp(OUTPUT_FORMATS[index]->name, name) != 0) index++;
  return index;
}

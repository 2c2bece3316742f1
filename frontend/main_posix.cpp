// The interactive program's entry point on Linux.
#include "frontend/naming.h"
#include "frontend/run.h"
#include "platform/platform.h"

int main() {
  unsigned char ranges[PLATFORM_LEAD_BYTE_RANGES];
  PlatformStartup(ranges);
  SetLeadByteRanges(ranges);
  PlatformCatchInterrupts(nullptr);  // silent, as the program is; no temporary stays
  RunConversion();
  return 0;
}

// The interactive program's entry point on Linux.
#include "frontend/naming.h"
#include "frontend/run.h"
#include "platform/platform.h"

int main() {
  unsigned char leadRanges[PLATFORM_LEAD_BYTE_RANGES], trailRanges[PLATFORM_TRAIL_BYTE_RANGES];
  PlatformStartup(leadRanges, trailRanges);
  SetByteRanges(leadRanges, trailRanges);
  SetPathDrives(PLATFORM_PATH_DRIVES);
  PlatformCatchInterrupts(nullptr);  // silent, as the program is; no temporary stays
  RunConversion();
  return 0;
}

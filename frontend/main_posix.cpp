// The interactive program's entry point on Linux.
#include "frontend/naming.h"
#include "frontend/run.h"
#include "platform/platform.h"

int main() {
  unsigned char leadRanges[PLATFORM_LEAD_BYTE_RANGES], trailRanges[PLATFORM_TRAIL_BYTE_RANGES];
  PlatformStartup(leadRanges, trailRanges);
  SetByteRanges(leadRanges, trailRanges);
  RunConversion();
  return 0;
}

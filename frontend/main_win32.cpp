// The interactive program's entry point on Windows: a GUI program with no
// window of its own, and no command-line options.
#include <windows.h>

#include "frontend/naming.h"
#include "frontend/run.h"
#include "platform/platform.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  unsigned char leadRanges[PLATFORM_LEAD_BYTE_RANGES], trailRanges[PLATFORM_TRAIL_BYTE_RANGES];
  PlatformStartup(leadRanges, trailRanges);
  SetByteRanges(leadRanges, trailRanges);
  RunConversion();
  return 0;
}

// The interactive program's entry point on Windows: a GUI program with no
// window of its own, and no command-line options.
#include <windows.h>

#include "frontend/naming.h"
#include "frontend/run.h"
#include "platform/platform.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  unsigned char ranges[PLATFORM_LEAD_BYTE_RANGES];
  PlatformStartup(ranges);
  SetLeadByteRanges(ranges);
  RunConversion();
  return 0;
}

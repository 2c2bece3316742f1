# Cross build of the 32-bit Windows programs with MinGW-w64 (Debian's
# g++-mingw-w64-i686): the shipped ones.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(WORDHEX_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)

# Every CPU that runs Windows 8 or later has SSE2: the whole build may use it,
# and the converter's SSE2 path is then always there.
set(CMAKE_C_FLAGS_INIT "-msse2")
set(CMAKE_CXX_FLAGS_INIT "-msse2")

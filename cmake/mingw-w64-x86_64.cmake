# Cross build of the 64-bit Windows programs with MinGW-w64 (Debian's
# g++-mingw-w64-x86-64): tested under wine64 on every host, shipped beside the
# 32-bit ones.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(WORDHEX_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)

# Cross build for 64-bit ARM Linux (Debian's g++-aarch64-linux-gnu), tested
# under qemu-aarch64: no x86 path there, the portable one is chosen.
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(WORDHEX_CROSS_TRIPLET aarch64-linux-gnu)
include(${CMAKE_CURRENT_LIST_DIR}/cross-linux.cmake)

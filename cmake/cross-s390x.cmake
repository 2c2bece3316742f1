# Cross build for IBM Z Linux (Debian's g++-s390x-linux-gnu), tested under
# qemu-s390x: the one big-endian target here, for the portable path's byte order.
set(CMAKE_SYSTEM_PROCESSOR s390x)
set(WORDHEX_CROSS_TRIPLET s390x-linux-gnu)
include(${CMAKE_CURRENT_LIST_DIR}/cross-linux.cmake)

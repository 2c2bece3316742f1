# What both Linux cross toolchain files share; they set CMAKE_SYSTEM_PROCESSOR
# and WORDHEX_CROSS_TRIPLET (Debian's cross compilers and the target's root,
# /usr/TRIPLET, are named after it) and include this.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_C_COMPILER ${WORDHEX_CROSS_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${WORDHEX_CROSS_TRIPLET}-g++)

# Libraries and headers from the target's root only; programs from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${WORDHEX_CROSS_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The target's programs run under QEMU's user-mode emulator, which takes the
# dynamic loader and libraries from the target's root: CTest runs the tests,
# and gtest_discover_tests lists them, through it.
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-${CMAKE_SYSTEM_PROCESSOR}-static -L /usr/${WORDHEX_CROSS_TRIPLET})

# What both MinGW-w64 toolchain files share; they set WORDHEX_MINGW_TRIPLET
# (Debian's cross compilers are named after it) and include this.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${WORDHEX_MINGW_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${WORDHEX_MINGW_TRIPLET}-g++)
set(CMAKE_RC_COMPILER ${WORDHEX_MINGW_TRIPLET}-windres)

# Libraries and headers from the target's root only; programs from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${WORDHEX_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The browser page's build with Debian's emscripten (scripts/deps web): its
# own toolchain file, found through the em-config on the PATH.
find_program(WORDHEX_EM_CONFIG em-config REQUIRED)
execute_process(COMMAND ${WORDHEX_EM_CONFIG} EMSCRIPTEN_ROOT OUTPUT_VARIABLE WORDHEX_EMSCRIPTEN_ROOT
                OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
include(${WORDHEX_EMSCRIPTEN_ROOT}/cmake/Modules/Platform/Emscripten.cmake)

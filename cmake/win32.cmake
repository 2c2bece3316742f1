# The Windows platform layer and the interactive program: one static .exe
# each, so that nothing but the system's own DLLs is needed on a bare Windows.
add_link_options(-static -static-libgcc -static-libstdc++)

add_library(wordhex_platform STATIC platform/win32.cpp platform/cp1251.cpp)
target_include_directories(wordhex_platform PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(wordhex_platform PUBLIC comdlg32 user32 kernel32)

# WinMain, GUI subsystem (-mwindows), no resources of its own.
add_executable(wordhex WIN32 frontend/main_win32.cpp)
target_link_libraries(wordhex PRIVATE wordhex_run wordhex_platform)

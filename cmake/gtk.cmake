# The interactive program on Linux: GTK 3 dialogs over the POSIX platform layer.
find_package(PkgConfig REQUIRED)
pkg_check_modules(GTK3 REQUIRED IMPORTED_TARGET gtk+-3.0)
add_executable(wordhex frontend/main_posix.cpp platform/gtk.cpp)
target_link_libraries(wordhex PRIVATE wordhex_run wordhex_platform PkgConfig::GTK3)

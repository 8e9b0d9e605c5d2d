# GoogleTest built for the target from Debian's sources (the system libraries are for Linux).
# mingw's win32 thread model has no std::mutex in GCC 12; a small shim supplies it.
add_compile_options(-include ${CMAKE_SOURCE_DIR}/tests/support/win32_std_mutex.h)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

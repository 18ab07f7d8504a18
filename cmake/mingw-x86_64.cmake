# Cross-build of the same sources for 64-bit Windows. Zorvik ships as 32-bit; this build runs
# the Wine-side tests on machines whose Wine runs only 64-bit programs.
set(MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)

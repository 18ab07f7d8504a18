# Cross-build for 32-bit Windows: Zorvik.exe as users get it.
set(MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)

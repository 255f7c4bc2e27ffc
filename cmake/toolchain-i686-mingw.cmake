# Cross build for 32-bit Windows: Sweepwright.exe, for every Windows from 95 on.
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

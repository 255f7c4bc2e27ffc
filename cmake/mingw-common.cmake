# Cross build for Windows with Debian's mingw-w64 for CMAKE_SYSTEM_PROCESSOR (i686 or x86_64),
# posix thread model (which GoogleTest needs). Included by the toolchain file of each.
set(CMAKE_SYSTEM_NAME Windows)
set(SW_MINGW_TRIPLET ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)
set(CMAKE_C_COMPILER ${SW_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${SW_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${SW_MINGW_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${SW_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

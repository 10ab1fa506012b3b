# Cross build for Windows (x86_64) with Debian's mingw-w64 compilers (posix threads).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(triple x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

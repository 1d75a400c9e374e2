# Cross build of the 64-bit Windows program with mingw-w64 (posix thread variant).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

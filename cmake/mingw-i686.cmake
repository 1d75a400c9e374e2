# Cross build of the 32-bit Windows program with mingw-w64 (posix thread variant).
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

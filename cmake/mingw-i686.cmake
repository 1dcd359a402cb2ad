# 32-bit Windows (PE32): the product, for the 32-bit host.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(QV_MINGW_TRIPLET i686-w64-mingw32)
set(QV_PE_FORMAT pei-i386)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

# 64-bit Windows (PE32+): the same sources, run here under Wine.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(QV_MINGW_TRIPLET x86_64-w64-mingw32)
set(QV_PE_FORMAT pei-x86-64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
# 64-bit test programs run under Debian's wine64 loader, through a wrapper
# that gives each build directory a private Wine prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run.sh)

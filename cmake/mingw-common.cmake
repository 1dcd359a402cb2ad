# Cross-compiling for Windows with Debian's mingw-w64; the including file
# sets QV_MINGW_TRIPLET, CMAKE_SYSTEM_PROCESSOR and QV_PE_FORMAT first.
set(CMAKE_SYSTEM_NAME Windows)
# The posix thread model: GoogleTest in FINALE.EXE needs std::mutex, which
# the win32 model lacks. The plug-in DLL is single-threaded and is built
# with the win32 model (cmake/Win32ThreadModel.cmake), so that it carries no
# thread library and imports nothing newer than Windows XP.
set(CMAKE_C_COMPILER ${QV_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QV_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${QV_MINGW_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${QV_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)


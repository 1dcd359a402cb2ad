# The plug-in's native code at the product's pointer width: 32-bit Linux
# (gcc -m32, from Debian's gcc-multilib and g++-multilib), run under
# qemu-i386 from qemu-user, since the build machines' kernel cannot start
# 32-bit programs.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_FLAGS_INIT -m32)
set(CMAKE_CXX_FLAGS_INIT -m32)
set(CMAKE_EXE_LINKER_FLAGS_INIT -m32)
set(CMAKE_SHARED_LINKER_FLAGS_INIT -m32)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-i386)

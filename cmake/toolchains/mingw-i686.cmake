# 32-bit Windows with MinGW-w64 (Debian's g++-mingw-w64-i686-posix): builds R7_DESK.dll for the
# host. Everything of the compiler's runtime is linked in statically, so that the DLL needs no
# other DLL than the system's own KERNEL32.dll and msvcrt.dll.
# Install the packages with: bash scripts/deps.sh mingw
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(ZETH_MINGW_PREFIX i686-w64-mingw32)

set(CMAKE_C_COMPILER ${ZETH_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZETH_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${ZETH_MINGW_PREFIX}-windres)
set(CMAKE_OBJDUMP ${ZETH_MINGW_PREFIX}-objdump)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

set(CMAKE_FIND_ROOT_PATH /usr/${ZETH_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# 32-bit x86 Linux with the system's g++ and -m32 (Debian's g++-multilib), libraries from Debian's
# i386 architecture (libgtest-dev:i386, ...). Programs run through qemu-user: the build machine's
# kernel may not run 32-bit programs itself, and qemu runs them the same either way.
# Install the packages with: bash scripts/deps.sh i386
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)

set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
set(CMAKE_C_FLAGS_INIT "-m32")
set(CMAKE_CXX_FLAGS_INIT "-m32")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-m32")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-m32")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-m32")

find_program(ZETH_QEMU_I386 qemu-i386 REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${ZETH_QEMU_I386})

# Headers are shared between the architectures; libraries and package configurations come only
# from the i386 directories (CMAKE_LIBRARY_ARCHITECTURE), never from the 64-bit ones.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)

# 32-bit x86 Linux with the system's g++ and -m32 (Debian's g++-multilib), libraries from Debian's
# i386 architecture (libgtest-dev:i386, ...). Programs run natively where the build machine's
# kernel runs 32-bit programs (the i386 dynamic loader answers), and through qemu-user where it
# does not; ZETH_I386_EMULATE=ON runs them through qemu-user in any case.
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

option(ZETH_I386_EMULATE "Run the 32-bit programs through qemu-i386 even where the kernel runs them" OFF)
execute_process(COMMAND /lib/ld-linux.so.2 --version RESULT_VARIABLE zeth_i386_native
                OUTPUT_QUIET ERROR_QUIET)
if(ZETH_I386_EMULATE OR NOT zeth_i386_native EQUAL 0)
    find_program(ZETH_QEMU_I386 qemu-i386 REQUIRED)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${ZETH_QEMU_I386})
endif()

# Headers are shared between the architectures; libraries and package configurations come only
# from the i386 directories (CMAKE_LIBRARY_ARCHITECTURE), never from the 64-bit ones.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)

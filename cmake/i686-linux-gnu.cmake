# Cross-builds the 32-bit x86 Linux program with Debian's g++-i686-linux-gnu and runs its tests
# under qemu-user (qemu-i386): the kernels' 32-bit code where no 32-bit program runs natively.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER i686-linux-gnu-g++)
set(CMAKE_FIND_ROOT_PATH /usr/i686-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Linked statically, the programs need neither the target's loader nor its libraries, and
# qemu-i386 runs them with no -L, whoever starts them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
find_program(NTHPRIME_QEMU_I386 qemu-i386 REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${NTHPRIME_QEMU_I386})

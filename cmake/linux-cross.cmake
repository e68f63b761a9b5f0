# What every cross build of the Linux program shares: Debian's cross compiler for the target
# triplet NTHPRIME_CROSS_TRIPLET (package g++-<triplet>), the target's libraries from its
# folder, static linking, and qemu-user (NTHPRIME_CROSS_QEMU) to run the programs. Each
# toolchain file <triplet>.cmake sets those two and CMAKE_SYSTEM_PROCESSOR, then includes this.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_C_COMPILER ${NTHPRIME_CROSS_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${NTHPRIME_CROSS_TRIPLET}-g++)
set(CMAKE_FIND_ROOT_PATH /usr/${NTHPRIME_CROSS_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Linked statically, the programs need neither the target's loader nor its libraries: they run
# on any Linux of their processor, and under qemu-user with no -L, whoever starts them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
find_program(NTHPRIME_QEMU_${CMAKE_SYSTEM_PROCESSOR} ${NTHPRIME_CROSS_QEMU} REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${NTHPRIME_QEMU_${CMAKE_SYSTEM_PROCESSOR}})

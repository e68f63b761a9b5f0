# The 32-bit x86 Linux program (i386), cross-built and tested under qemu-i386: the kernels'
# 32-bit code where no 32-bit program runs natively.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(NTHPRIME_CROSS_TRIPLET i686-linux-gnu)
set(NTHPRIME_CROSS_QEMU qemu-i386)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)

# The ARM64 Linux program (arm64), cross-built and tested under qemu-aarch64.
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(NTHPRIME_CROSS_TRIPLET aarch64-linux-gnu)
set(NTHPRIME_CROSS_QEMU qemu-aarch64)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)

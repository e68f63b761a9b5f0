# The 32-bit ARM Linux program (armhf: ARMv7 with a VFP unit; NEON where the processor has it),
# cross-built and tested under qemu-arm.
set(CMAKE_SYSTEM_PROCESSOR arm)
set(NTHPRIME_CROSS_TRIPLET arm-linux-gnueabihf)
set(NTHPRIME_CROSS_QEMU qemu-arm)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)

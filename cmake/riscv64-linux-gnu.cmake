# The RISC-V Linux program (riscv64: RV64GC, no vector unit), cross-built and tested under
# qemu-riscv64.
set(CMAKE_SYSTEM_PROCESSOR riscv64)
set(NTHPRIME_CROSS_TRIPLET riscv64-linux-gnu)
set(NTHPRIME_CROSS_QEMU qemu-riscv64)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)

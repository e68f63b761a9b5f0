# The POWER Linux program (ppc64el: POWER8 or later, little-endian), cross-built and tested
# under qemu-ppc64le.
set(CMAKE_SYSTEM_PROCESSOR ppc64le)
set(NTHPRIME_CROSS_TRIPLET powerpc64le-linux-gnu)
set(NTHPRIME_CROSS_QEMU qemu-ppc64le)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)

# The IBM Z Linux program (s390x: z196 or later, big-endian; the vector facility from z13 on),
# cross-built and tested under qemu-s390x.
set(CMAKE_SYSTEM_PROCESSOR s390x)
set(NTHPRIME_CROSS_TRIPLET s390x-linux-gnu)
set(NTHPRIME_CROSS_QEMU qemu-s390x)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)

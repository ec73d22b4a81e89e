# Cross build for the instrument's board: ARM Cortex-A8, 32 bit, hard float,
# NEON (VFPv3: no fused multiply-add). Debian's arm-linux-gnueabihf compiler
# against a sysroot of the distribution's armhf packages (scripts/board-build
# makes it in build-board/sysroot; TQ3900_SYSROOT names another one).
#
# Whatever the build runs at build time runs on the build machine: the Qt
# tools in the sysroot (moc, uic, rcc) are the build machine's, lrelease is
# the build machine's, and tools/icongen and tools/tonegen come from a native
# build (TQ3900_HOST_TOOLS, see tools/CMakeLists.txt). Tests run under
# qemu-arm (CMAKE_CROSSCOMPILING_EMULATOR).

set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR armv7l)
set(CMAKE_LIBRARY_ARCHITECTURE arm-linux-gnueabihf)

if(NOT TQ3900_SYSROOT)
    if(DEFINED ENV{TQ3900_SYSROOT})
        set(TQ3900_SYSROOT "$ENV{TQ3900_SYSROOT}")
    else()
        get_filename_component(TQ3900_SYSROOT "${CMAKE_CURRENT_LIST_DIR}/../build-board/sysroot" ABSOLUTE)
    endif()
endif()
# try_compile projects see the same sysroot.
set(ENV{TQ3900_SYSROOT} "${TQ3900_SYSROOT}")
if(NOT EXISTS "${TQ3900_SYSROOT}/usr/lib/arm-linux-gnueabihf")
    message(FATAL_ERROR "No armhf sysroot in ${TQ3900_SYSROOT}: make it with scripts/board-build")
endif()

set(CMAKE_C_COMPILER arm-linux-gnueabihf-gcc)
set(CMAKE_CXX_COMPILER arm-linux-gnueabihf-g++)
set(CMAKE_SYSROOT "${TQ3900_SYSROOT}")

set(TQ3900_BOARD_FLAGS "-mcpu=cortex-a8 -mfpu=neon -mfloat-abi=hard")
set(CMAKE_C_FLAGS_INIT "${TQ3900_BOARD_FLAGS}")
set(CMAKE_CXX_FLAGS_INIT "${TQ3900_BOARD_FLAGS}")

# Libraries and headers from the sysroot only; programs from the build machine.
set(CMAKE_FIND_ROOT_PATH "${TQ3900_SYSROOT}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# lrelease: the build machine's, through its own CMake package.
execute_process(COMMAND gcc -print-multiarch OUTPUT_VARIABLE _tq_build_multiarch
                OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
if(NOT _tq_build_multiarch)
    set(_tq_build_multiarch x86_64-linux-gnu)
endif()
set(Qt5LinguistTools_DIR "/usr/lib/${_tq_build_multiarch}/cmake/Qt5LinguistTools" CACHE PATH
    "The build machine's Qt5LinguistTools package (lrelease runs at build time)")

# The board's Cortex-A8 under emulation; the libraries come from the sysroot.
find_program(TQ3900_QEMU_ARM NAMES qemu-arm-static qemu-arm)
if(TQ3900_QEMU_ARM)
    set(CMAKE_CROSSCOMPILING_EMULATOR "${TQ3900_QEMU_ARM};-cpu;cortex-a8;-L;${TQ3900_SYSROOT}")
endif()

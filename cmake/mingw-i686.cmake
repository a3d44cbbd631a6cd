# 32-bit Windows with the posix-threads MinGW-w64 variant (std::thread and std::mutex
# work there; GoogleTest needs them).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Test programs run under 32-bit Wine in a private prefix (cmake/wine-run).
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/wine-run")
# Every machine that runs the host has SSE2: floating-point arithmetic in SSE registers,
# rounded to its type at each step as in 64-bit builds, instead of the x87 unit's wider
# registers. Functions that realign the stack for SSE must not be split into hot and
# cold parts: the unwinder then loses its way in the cold part, and an exception thrown
# there ends the program instead of reaching its handler.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse -fno-reorder-blocks-and-partition")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse -fno-reorder-blocks-and-partition")

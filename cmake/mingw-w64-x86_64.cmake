# Cross-building for 64-bit Windows with Debian's mingw-w64 (the posix thread model, so
# std::thread and std::mutex are there), with a static runtime: the programs need no DLL
# beside them, under Wine or on Windows.
#   cmake --preset windows      (or: cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake)
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TV_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TV_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TV_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${TV_MINGW}-windres)

# Libraries and packages come from the target's tree only, programs from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${TV_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# libgcc, libstdc++ and winpthread linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Tests and test discovery run the programs under Wine unless told otherwise.
if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
endif()

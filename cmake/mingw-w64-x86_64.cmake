# Cross build for 64-bit Windows with Debian's mingw-w64 toolchain (the posix
# thread model, which C++ threads need). Libraries are looked up only in the
# toolchain's own root and in the prefixes of CMAKE_PREFIX_PATH (the Windows
# builds of SDL2 and the rest, tools/build_windows_deps.sh).
#   cmake -S . -B build-windows/win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
#         -DCMAKE_PREFIX_PATH=/path/to/windows-deps
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KRELAN_MINGW_HOST x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KRELAN_MINGW_HOST}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KRELAN_MINGW_HOST}-g++-posix)
set(CMAKE_RC_COMPILER ${KRELAN_MINGW_HOST}-windres)
set(CMAKE_AR ${KRELAN_MINGW_HOST}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${KRELAN_MINGW_HOST}-gcc-ranlib-posix CACHE FILEPATH "")

# The prefixes of CMAKE_PREFIX_PATH join the toolchain's root, so that they
# are searched as they are and the build machine's own libraries never are.
set(CMAKE_FIND_ROOT_PATH /usr/${KRELAN_MINGW_HOST} ${CMAKE_PREFIX_PATH})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The C and C++ runtimes and winpthread linked in, so the executables need
# no DLL beyond those every Windows has.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")

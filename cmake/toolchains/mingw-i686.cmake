# Debian's MinGW-w64 cross compiler for 32-bit Windows: the XP-generation
# release build. The win32 thread-model variant is used: the posix one links
# winpthreads, which imports GetTickCount64, a function XP does not have.
# That variant has no std::thread or std::mutex, so GoogleTest does not build
# with it; the Windows tests run from the x86_64 build, and this one builds
# the programs only (its executables would need i386 Wine to run here).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-win32)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-win32)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

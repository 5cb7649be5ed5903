# Options every target of ours gets through the interface library
# tarnwell_options. Third-party code (GoogleTest built from source for the
# Windows builds) does not link it, so our -Werror never applies to it.
add_library(tarnwell_options INTERFACE)
target_compile_options(tarnwell_options INTERFACE
  -Wall -Wextra -Werror
  # Sources are UTF-8; every text the program handles is GBK, so literals are
  # compiled to GBK bytes. GB18030 is named because it encodes every GBK
  # character with GBK's own bytes and also covers the few characters outside
  # GBK in the standard headers (<chrono> spells "\u00b5s"), which GBK alone
  # refuses to compile.
  -finput-charset=UTF-8 -fexec-charset=GB18030)

if(WIN32)
  target_compile_definitions(tarnwell_options INTERFACE
    UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX)
  # Statically linked: the programs need no DLL beyond the system's.
  target_link_options(tarnwell_options INTERFACE -static -static-libgcc -static-libstdc++)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    # The i686 build runs on the XP generation.
    target_compile_definitions(tarnwell_options INTERFACE _WIN32_WINNT=0x0501 WINVER=0x0501)
  else()
    target_compile_definitions(tarnwell_options INTERFACE _WIN32_WINNT=0x0601 WINVER=0x0601)
  endif()
endif()

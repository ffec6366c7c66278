# Cross-building for 64-bit Windows with Debian's MinGW-w64 (the posix thread model, for std::thread).
# CARDHALL_MINGW_DEPS names the prefix of the libraries built by scripts/mingw-deps; pkg-config and
# find_* look there and in the MinGW sysroot only, never in the build machine's own libraries.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(mingw_triplet x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${mingw_triplet}-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingw_triplet}-g++-posix)
set(CMAKE_RC_COMPILER ${mingw_triplet}-windres)

if(NOT CARDHALL_MINGW_DEPS AND DEFINED ENV{CARDHALL_MINGW_DEPS})
  set(CARDHALL_MINGW_DEPS "$ENV{CARDHALL_MINGW_DEPS}")
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES CARDHALL_MINGW_DEPS)

set(CMAKE_FIND_ROOT_PATH /usr/${mingw_triplet} ${CARDHALL_MINGW_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

if(CARDHALL_MINGW_DEPS)
  set(ENV{PKG_CONFIG_LIBDIR} "${CARDHALL_MINGW_DEPS}/lib/pkgconfig")
  set(ENV{PKG_CONFIG_PATH} "")
endif()

# No MinGW runtime DLLs beside the program: libgcc, libstdc++ and winpthread are linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc")

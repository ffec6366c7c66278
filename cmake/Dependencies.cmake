# Every third-party dependency, found once at configure time: a missing one stops the configure step
# with its name instead of failing at the first compile. All come from Debian's packages
# (scripts/install-deps).
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)

# The engine: SDL2 with its image and font libraries, tinyxml2 for the property lists.
pkg_check_modules(CARDHALL_SDL REQUIRED IMPORTED_TARGET sdl2 SDL2_image SDL2_ttf)
pkg_check_modules(CARDHALL_TINYXML2 REQUIRED IMPORTED_TARGET tinyxml2)

# Header-only libraries: rapidjson (the protocol) and standalone asio (the server).
find_path(CARDHALL_RAPIDJSON_INCLUDE_DIR rapidjson/document.h REQUIRED)
add_library(cardhall_rapidjson INTERFACE IMPORTED)
target_include_directories(cardhall_rapidjson INTERFACE ${CARDHALL_RAPIDJSON_INCLUDE_DIR})

if(CARDHALL_BUILD_SERVER)
  find_path(CARDHALL_ASIO_INCLUDE_DIR asio.hpp REQUIRED)
  add_library(cardhall_asio INTERFACE IMPORTED)
  target_include_directories(cardhall_asio INTERFACE ${CARDHALL_ASIO_INCLUDE_DIR})
  target_compile_definitions(cardhall_asio INTERFACE ASIO_STANDALONE ASIO_NO_DEPRECATED)
  target_link_libraries(cardhall_asio INTERFACE Threads::Threads)
endif()

# The art generator draws with cairo. Cross-built, the build machine's own art program is used
# (tools/CMakeLists.txt).
if(NOT CMAKE_CROSSCOMPILING)
  pkg_check_modules(CARDHALL_CAIRO REQUIRED IMPORTED_TARGET cairo cairo-ft freetype2)
endif()

if(CARDHALL_BUILD_TESTS)
  find_package(GTest REQUIRED)
  include(GoogleTest)
  if(NOT WIN32)
    # The window tests find the program's window and click in it through X11 and XTest.
    pkg_check_modules(CARDHALL_XTEST REQUIRED IMPORTED_TARGET x11 xtst)
  endif()
endif()
if(CARDHALL_BUILD_BENCH)
  find_package(benchmark REQUIRED)
endif()

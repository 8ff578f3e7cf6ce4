# The Windows build of the host side (host kit, tests, trelhost.exe), cross-built
# with mingw-w64 and run under Wine. Included by the top-level CMakeLists.txt.

# Programs run from this build (tests, the cross-check) go through wine-run, a
# wrapper that runs Wine in this build's own prefix, <build>/wineprefix, quietly
# and without the Mono and Gecko installers that would otherwise prompt.
find_program(TREL_WINE NAMES wine wine64 PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
find_program(TREL_WINESERVER NAMES wineserver64 wineserver PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(NOT TREL_WINE OR NOT TREL_WINESERVER)
  message(STATUS "Wine not found: the Windows programs build but cannot run here (scripts/install-deps.sh installs it)")
  set(TREL_WINE wine)
  set(TREL_WINESERVER wineserver)
endif()
set(TREL_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.in ${CMAKE_BINARY_DIR}/wine-run
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                WORLD_READ WORLD_EXECUTE
               @ONLY)
set(TREL_WINE_RUN ${CMAKE_BINARY_DIR}/wine-run)
set(CMAKE_CROSSCOMPILING_EMULATOR ${TREL_WINE_RUN})

# Header-only libraries trelhost uses, taken from the build machine's include
# directory without putting that directory (and its C library headers) on the
# cross compiler's path.
set(TREL_PORTABLE_INCLUDE ${CMAKE_BINARY_DIR}/portable-include)
foreach(header nlohmann/json.hpp CLI/CLI.hpp)
  string(MAKE_C_IDENTIFIER ${header} variable)
  find_path(TREL_INCLUDE_${variable} ${header} PATHS /usr/include NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
  if(NOT TREL_INCLUDE_${variable})
    message(FATAL_ERROR "${header} not found (scripts/install-deps.sh installs it)")
  endif()
  get_filename_component(directory ${header} DIRECTORY)
  file(MAKE_DIRECTORY ${TREL_PORTABLE_INCLUDE})
  file(CREATE_LINK ${TREL_INCLUDE_${variable}}/${directory} ${TREL_PORTABLE_INCLUDE}/${directory} SYMBOLIC)
endforeach()

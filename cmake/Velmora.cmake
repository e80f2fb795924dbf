# SPDX-License-Identifier: GPL-3.0-or-later
# Shared build settings: the warnings, optional sanitizers.
set(VELMORA_WARNINGS -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion)
# Warnings stop the build only where asked (the test script and CI ask), so a
# packager's newer or older compiler never breaks a release build.
if(VELMORA_WERROR)
  list(APPEND VELMORA_WARNINGS -Werror)
endif()

if(VELMORA_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()

if(VELMORA_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

if(VELMORA_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "The fuzz targets need clang: configure with CXX=clang++")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

function(velmora_warnings target)
  target_compile_options(${target} PRIVATE ${VELMORA_WARNINGS})
endfunction()

# One static library per core folder (and per part of the tool programs);
# sources are listed once, here.
function(velmora_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_DEPENDS})
  velmora_warnings(${name})
endfunction()

# The core must stay free of Qt so the command line, the tests and the fuzzers
# can use it without a display.
function(velmora_check_core_has_no_qt)
  foreach(lib IN LISTS ARGN)
    if(TARGET ${lib})
      get_target_property(deps ${lib} LINK_LIBRARIES)
      foreach(dep IN LISTS deps)
        if(dep MATCHES "^Qt")
          message(FATAL_ERROR "${lib} links ${dep}: the core must not depend on Qt")
        endif()
      endforeach()
    endif()
  endforeach()
endfunction()

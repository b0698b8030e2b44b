# Warning and sanitizer flags shared by every target of the tree.
add_library(norvik_warnings INTERFACE)
target_compile_options(norvik_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wcast-align -Wunused
  -Woverloaded-virtual -Wnull-dereference -Wformat=2 -Wimplicit-fallthrough)
if(NORVIK_WERROR)
  target_compile_options(norvik_warnings INTERFACE -Werror)
endif()

if(NORVIK_SANITIZE)
  string(REPLACE ";" "," _norvik_san "${NORVIK_SANITIZE}")
  add_compile_options(-fsanitize=${_norvik_san} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${_norvik_san})
endif()

# Adds a library of the tree with its folder as public include root.
function(norvik_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS} PRIVATE norvik_warnings)
  # Fuzz builds: library code carries coverage counters so the fuzzer sees what inputs reach.
  if(NORVIK_BUILD_FUZZ)
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer-no-link)
  endif()
endfunction()

# Compiler flags shared by the targets of the tree: warnings, sanitizers and the fuzzer's.

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

# libFuzzer (fuzz builds only). Every library of the tree carries coverage counters
# (norvik_fuzz_coverage, linked by norvik_library) so the fuzzer sees what its inputs reach in
# library code; a fuzz program adds libFuzzer's own main (norvik_fuzzer).
add_library(norvik_fuzz_coverage INTERFACE)
add_library(norvik_fuzzer INTERFACE)
if(NORVIK_BUILD_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "NORVIK_BUILD_FUZZ needs clang (libFuzzer); use the \"fuzz\" preset")
  endif()
  target_compile_options(norvik_fuzz_coverage INTERFACE -fsanitize=fuzzer-no-link)
  target_compile_options(norvik_fuzzer INTERFACE -fsanitize=fuzzer)
  target_link_options(norvik_fuzzer INTERFACE -fsanitize=fuzzer)
endif()

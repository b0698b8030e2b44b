# Libraries of the tree and their include roots.
#
# Each library exports an include root of its own, generated in the build tree:
#   ${CMAKE_BINARY_DIR}/include/<library>/<prefix>/<header>  ->  <library folder>/<header>
# one link per header, so "devices/device_driver.h" resolves for norvik_devices and whatever
# links it (the root is PUBLIC), and for no other target. Links rather than a path to the source
# folder's parent: the parents (src/, the tree's top) hold every library's headers. One link per
# header rather than one per folder: a folder can hold headers that are not the library's own (a
# nested library such as emulator/audio_standin, or a second library sharing src/app).

# Gives target the include root <build>/include/<target> holding <prefix>/<header> for each
# header directly in folder (or only the HEADERS named). A header added to the folder appears at
# the next build (the listing is re-checked); a removed one disappears.
function(norvik_include_root target prefix folder)
  cmake_parse_arguments(ARG "" "" "HEADERS" ${ARGN})
  if(ARG_HEADERS)
    set(headers ${ARG_HEADERS})
  else()
    file(GLOB headers CONFIGURE_DEPENDS RELATIVE ${folder} ${folder}/*.h)
  endif()
  set(root ${CMAKE_BINARY_DIR}/include/${target})
  file(REMOVE_RECURSE ${root})
  file(MAKE_DIRECTORY ${root}/${prefix})
  foreach(header IN LISTS headers)
    if(NOT EXISTS ${folder}/${header})
      message(FATAL_ERROR "${target}: no header ${folder}/${header}")
    endif()
    file(CREATE_LINK ${folder}/${header} ${root}/${prefix}/${header} SYMBOLIC COPY_ON_ERROR)
  endforeach()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE ${root})
  else()
    target_include_directories(${target} PUBLIC ${root})
  endif()
endfunction()

# Adds a static library of the tree. Its headers are included as "<prefix>/<header>": PREFIX
# defaults to the name of the current folder; HEADERS limits the root to the headers named (for
# a library sharing its folder with another). DEPS are public: a library's headers may include
# its dependencies' headers.
function(norvik_library name)
  cmake_parse_arguments(ARG "" "PREFIX" "SOURCES;DEPS;HEADERS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  if(NOT ARG_PREFIX)
    get_filename_component(ARG_PREFIX ${CMAKE_CURRENT_SOURCE_DIR} NAME)
  endif()
  norvik_include_root(${name} ${ARG_PREFIX} ${CMAKE_CURRENT_SOURCE_DIR} HEADERS ${ARG_HEADERS})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS} PRIVATE norvik_warnings norvik_fuzz_coverage)
endfunction()

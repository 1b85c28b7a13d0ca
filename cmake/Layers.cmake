# Each layer's library sees only its own folder and the folders of the libraries it
# links, so an include that points up a layer fails to compile. Includes name the
# layer ("framework/Strings.h"), so each layer gets an include root of its own in the
# build folder holding one link to its source folder; linking a layer passes its root on.
# Tests, benchmarks and fuzz targets may use everything: they see the source root.
# scripts/check-layers.sh checks the order of the layers and the system headers.
function(tavix_layer target folder)
  set(root ${CMAKE_BINARY_DIR}/layers/${folder})
  file(MAKE_DIRECTORY ${root})
  if(NOT EXISTS ${root}/${folder})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
  endif()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE ${root})
  else()
    target_include_directories(${target} PUBLIC ${root})
  endif()
endfunction()

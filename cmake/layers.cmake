# The layers from the ground up. Each layer's code sees only its own folder and the folders of
# the layers below it, through a folder of links made for it in the build tree, so an include
# that runs upward does not compile.
set(MARKLENS_LAYERS base model browser resources widgets panes edit app)

# Gives the target the include root of LAYER: links to LAYER and every layer below it.
function(marklens_layer_includes target layer)
  list(FIND MARKLENS_LAYERS ${layer} top)
  if(top EQUAL -1)
    message(FATAL_ERROR "unknown layer ${layer}")
  endif()
  set(root ${CMAKE_BINARY_DIR}/layers/${layer})
  file(MAKE_DIRECTORY ${root})
  foreach(i RANGE ${top})
    list(GET MARKLENS_LAYERS ${i} below)
    if(NOT EXISTS ${root}/${below})
      file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${below} ${root}/${below} SYMBOLIC)
    endif()
  endforeach()
  target_include_directories(${target} PUBLIC ${root})
endfunction()

# A layer's library: sources in the layer's folder, linked to the layers it names.
function(marklens_layer_library layer)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "SOURCES;LINKS")
  add_library(marklens_${layer} STATIC ${arg_SOURCES})
  marklens_layer_includes(marklens_${layer} ${layer})
  target_link_libraries(marklens_${layer} PUBLIC ${arg_LINKS})
endfunction()

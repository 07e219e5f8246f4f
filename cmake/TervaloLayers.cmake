# The program is built in layers, each a static library that links only the layers below it:
#
#   app -> board_ui -> board -> records -> environment -> engine -> host -> base
#
# A layer's sources never see the source root. Their include path is a directory of links
# (build/<preset>/layers/<target>/) to their own folder and the folders of the layers below, so
# `#include "board/grid_model.h"` in records/ does not compile. Only board_ui and app link Qt.

# Gives target an include directory that holds links to the given entries, each a folder or a
# single header named from the source root ("engine", "host/host.h").
function(tervalo_layer_includes target)
  set(view ${CMAKE_BINARY_DIR}/layers/${target})
  file(MAKE_DIRECTORY ${view})
  # The links of an earlier configuration go first, so that an entry taken off the list is gone.
  file(GLOB_RECURSE earlier LIST_DIRECTORIES true ${view}/*)
  foreach(path ${earlier})
    if(IS_SYMLINK ${path})
      file(REMOVE ${path})
    endif()
  endforeach()
  foreach(entry ${ARGN})
    if(NOT EXISTS ${CMAKE_SOURCE_DIR}/${entry})
      message(FATAL_ERROR "${target}: no ${entry} in the source tree")
    endif()
    get_filename_component(parent ${view}/${entry} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${entry} ${view}/${entry} SYMBOLIC)
  endforeach()
  target_include_directories(${target} PRIVATE ${view})
  set_property(TARGET ${target} PROPERTY TERVALO_SEES ${ARGN})
endfunction()

# tervalo_layer(target SOURCES file... SEES entry... [LINKS library...])
# A layer library: its sources see the SEES entries only; it links LINKS publicly, so whatever
# links the layer links the layers below it too.
function(tervalo_layer target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "SOURCES;SEES;LINKS")
  add_library(${target} STATIC ${arg_SOURCES})
  tervalo_layer_includes(${target} ${arg_SEES})
  target_link_libraries(${target} PUBLIC ${arg_LINKS} PRIVATE tervalo_warnings)
endfunction()

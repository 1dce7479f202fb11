cmake_minimum_required(VERSION 3.22)
# Fails when a file of src/ includes a header of a layer above its own. Run as
#   cmake -DSRC=<src folder> -P check_layers.cmake
# The layers, bottom to top; a file's layer is the first folder of its path under src/.
set(layers common ui codecs link commands image jobs app)

function(layer_of path out)
  string(REGEX MATCH "^[a-z]+" folder "${path}")
  list(FIND layers "${folder}" rank)
  set(${out} ${rank} PARENT_SCOPE)
endfunction()

file(GLOB_RECURSE files RELATIVE ${SRC} ${SRC}/*.h ${SRC}/*.cpp)
set(bad "")
foreach(f ${files})
  layer_of(${f} own)
  file(STRINGS ${SRC}/${f} includes REGEX "^#include \"[a-z]+/")
  foreach(line ${includes})
    string(REGEX REPLACE "^#include \"([^\"]+)\".*" "\\1" header "${line}")
    layer_of(${header} theirs)
    if(theirs GREATER own)
      string(APPEND bad "  ${f} includes ${header}\n")
    endif()
  endforeach()
endforeach()
if(bad)
  message(FATAL_ERROR "Includes that run upwards (a layer uses only the layers below it):\n${bad}")
endif()

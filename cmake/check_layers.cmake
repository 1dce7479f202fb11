cmake_minimum_required(VERSION 3.22)
# Fails when a file of src/ includes a header of a layer above its own. Run as
#   cmake -DSRC=<src folder> -P check_layers.cmake
# The layers, bottom to top; printer/ and register/ each hold a codec part and a command part.
set(layers common ui codecs link commands image jobs app)

# The layer of a file, from its path relative to src/.
function(layer_of path out)
  set(command_files printer/identity register/prt_ks register/exchange register/graphic_commands
      register/config_commands register/catalogue_reads)
  string(REGEX REPLACE "\\.(h|cpp|inc)$" "" stem "${path}")
  string(REGEX MATCH "^[a-z]+" folder "${path}")
  if(stem IN_LIST command_files)
    set(layer commands)
  elseif(folder STREQUAL "printer" OR folder STREQUAL "register")
    set(layer codecs)
  else()
    set(layer ${folder})
  endif()
  list(FIND layers "${layer}" rank)
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

# Every library shows its users its own headers and nothing else. The headers are
# forwarded from a folder of the build tree that holds only them, so a source that
# includes a header of a layer it does not link (the model reaching for a window,
# the entry panels for the main window) fails to compile instead of building a
# circle nobody sees.
#
#   nimbrel_library(name FOLDER model SOURCES a.cpp ... HEADERS a.h ...
#                   [UNPREFIXED] [PUBLIC_LIBS ...] [PRIVATE_LIBS ...])
#
# FOLDER is the prefix users write ("model/SlideSet.h"); UNPREFIXED also offers
# the bare name ("Histogram.h"), for code that has always included it so.
function(nimbrel_library name)
  cmake_parse_arguments(L "UNPREFIXED" "FOLDER" "SOURCES;HEADERS;PUBLIC_LIBS;PRIVATE_LIBS" ${ARGN})
  add_library(${name} STATIC ${L_SOURCES} ${L_HEADERS})
  set(root ${CMAKE_BINARY_DIR}/layers/${name})
  foreach(header ${L_HEADERS})
    get_filename_component(path ${header} ABSOLUTE)
    get_filename_component(file ${header} NAME)
    set(targets)
    if(L_FOLDER)
      list(APPEND targets ${root}/${L_FOLDER}/${file})
    endif()
    if(L_UNPREFIXED OR NOT L_FOLDER)
      list(APPEND targets ${root}/${file})
    endif()
    foreach(target ${targets})
      file(CONFIGURE OUTPUT ${target} CONTENT "#pragma once\n#include \"${path}\"\n" @ONLY)
    endforeach()
  endforeach()
  target_include_directories(${name} PUBLIC ${root})
  target_link_libraries(${name} PUBLIC ${L_PUBLIC_LIBS} PRIVATE ${L_PRIVATE_LIBS})
endfunction()

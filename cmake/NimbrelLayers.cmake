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

# The build of library `name` fails when any of its sources or headers includes
# a Qt header beyond Qt Core (a widget, a colour, a printer): the model and the
# file layer must build and test without a window.
set(NIMBREL_CORE_ONLY_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/CoreOnlyIncludes.cmake)
function(nimbrel_core_only name)
  get_target_property(qtIncludes Qt6::Core INTERFACE_INCLUDE_DIRECTORIES)
  set(coreDir)
  foreach(dir ${qtIncludes})
    if(dir MATCHES "/QtCore$")
      set(coreDir ${dir})
    endif()
  endforeach()
  if(NOT coreDir)
    message(FATAL_ERROR "nimbrel_core_only: Qt Core's header folder not found")
  endif()
  get_target_property(sources ${name} SOURCES)
  get_target_property(sourceDir ${name} SOURCE_DIR)
  set(files)
  foreach(source ${sources})
    get_filename_component(path ${source} ABSOLUTE BASE_DIR ${sourceDir})
    list(APPEND files ${path})
  endforeach()
  string(REPLACE ";" "|" fileArg "${files}")
  set(stamp ${CMAKE_CURRENT_BINARY_DIR}/${name}_core_only.stamp)
  add_custom_command(OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} -DLAYER=${name} -DCORE_DIR=${coreDir} "-DFILES=${fileArg}" -DSTAMP=${stamp}
            -P ${NIMBREL_CORE_ONLY_SCRIPT}
    DEPENDS ${files} ${NIMBREL_CORE_ONLY_SCRIPT}
    COMMENT "Checking that ${name} includes Qt Core headers only" VERBATIM)
  add_custom_target(${name}_core_only DEPENDS ${stamp})
  add_dependencies(${name} ${name}_core_only)
endfunction()

# Regenerates the artwork into a scratch directory and checks that it matches
# the committed files byte for byte, file for file.
#   cmake -DGENERATOR=<kal-artgen> -DFONT=<font> -DCOMMITTED=<dir> -DSCRATCH=<dir> -P CompareArtwork.cmake
file(REMOVE_RECURSE ${SCRATCH})
execute_process(COMMAND ${GENERATOR} --font ${FONT} ${SCRATCH} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "kal-artgen failed (${rc})")
endif()
file(GLOB fresh RELATIVE ${SCRATCH} ${SCRATCH}/*)
file(GLOB committed RELATIVE ${COMMITTED} ${COMMITTED}/*)
list(SORT fresh)
list(SORT committed)
if(NOT fresh STREQUAL committed)
  message(FATAL_ERROR "file sets differ:\n  generated: ${fresh}\n  committed: ${committed}")
endif()
set(differing "")
foreach(name IN LISTS fresh)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${SCRATCH}/${name} ${COMMITTED}/${name}
                  RESULT_VARIABLE same)
  if(NOT same EQUAL 0)
    list(APPEND differing ${name})
  endif()
endforeach()
if(differing)
  message(FATAL_ERROR "regenerated files differ from the committed ones: ${differing}\n"
                      "(run the 'artwork' target and review the pictures if the change is intended)")
endif()
list(LENGTH fresh count)
message(STATUS "all ${count} files reproduced byte for byte")

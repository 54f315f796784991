# kal-render end to end: random values from a file, running out of them, and a
# count that stops the animation. Run with -DRENDER=<kal-render> -DWORK=<dir>.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})

function(expect_contains what text pattern)
  string(FIND "${text}" "${pattern}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${what}: expected '${pattern}' in:\n${text}")
  endif()
endfunction()

# 22 values: the scatter (2) and ten frames (2 each) of one particle that
# never reaches the bottom. 0.5 means no jitter; the fall adds up to 17 pixels.
string(REPEAT "0.5\n" 22 values)
file(WRITE ${WORK}/enough.txt "${values}")
execute_process(COMMAND ${RENDER} --width 64 --height 48 --count 0 --frames 10 --random-file ${WORK}/enough.txt
                        --json --png ${WORK}/still.png
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "scripted run failed (${rc}): ${err}")
endif()
expect_contains("scripted run" "${out}" "\"cur\":0,\"head\":{\"x\":0,\"y\":0,\"speed\":0")
expect_contains("scripted run" "${out}" "{\"fall\":10,\"trail\":[[32,41],[32,38],")
if(NOT EXISTS ${WORK}/still.png)
  message(FATAL_ERROR "no still written")
endif()

# Five values run out in the second frame.
file(WRITE ${WORK}/short.txt "0.5\n0.5\n0.5\n0.5\n0.5\n")
execute_process(COMMAND ${RENDER} --width 64 --height 48 --count 0 --frames 10 --random-file ${WORK}/short.txt --json
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(rc EQUAL 0)
  message(FATAL_ERROR "a random file that runs out must fail")
endif()
expect_contains("short file" "${err}" "ran out of random values after 5 draws (in frame 2)")

# A count beyond the store stops the animation at the start; the picture is
# written all black and the run still succeeds.
execute_process(COMMAND ${RENDER} --width 64 --height 48 --count 521 --frames 10 --png ${WORK}/stopped.png
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "count 521 should end the animation, not the run (${rc}): ${err}")
endif()
expect_contains("count 521" "${err}" "stopped at the start: Subscript out of range (error 9)")
if(NOT EXISTS ${WORK}/stopped.png)
  message(FATAL_ERROR "no picture after the animation stopped")
endif()

# The delivered tkb program run the way scripts run it, as a process of its own with its output
# in pipes: over the simulated-boards library beside it, with boards made by tkbsim. Under Wine
# this runs the Windows program (its console streams, binary standard output, terminal checks).
#   cmake -DRUN=<runner or empty> -DTKB=<tkb> -DTKBSIM=<tkbsim> -DWORK=<empty folder> -P program_test.cmake
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
set(folder ${WORK}/boards)
if(TKB MATCHES "\\.exe$")
  # A Windows program takes the folder as a Windows path of Wine's Z: drive.
  string(REPLACE "/" "\\" boards "Z:${folder}")
  string(REPLACE "/" "\\" winWork "Z:${WORK}")
else()
  set(boards ${folder})
  set(winWork ${WORK})
endif()
set(ENV{TKBSIM_DIR} ${boards})

set(failures 0)
# Runs tkb ARGS... [INPUT file] and checks its exit status and, exactly, its standard output.
function(expect status output)
  cmake_parse_arguments(ARG "" "INPUT;ERROR" "ARGS" ${ARGN})
  set(input /dev/null)
  if(ARG_INPUT)
    set(input ${ARG_INPUT})
  endif()
  # Through a file: execute_process would drop carriage returns from an output variable.
  execute_process(COMMAND ${RUN} ${TKB} ${ARG_ARGS} INPUT_FILE ${input}
                  RESULT_VARIABLE got OUTPUT_FILE ${WORK}/out.txt ERROR_VARIABLE err)
  file(READ ${WORK}/out.txt outHex HEX)
  file(READ ${WORK}/out.txt out)
  string(HEX "${output}" outputHex)
  if(NOT got STREQUAL status OR NOT outHex STREQUAL outputHex)
    message(SEND_ERROR "tkb ${ARG_ARGS}: exit ${got} (want ${status})\n  out: [${out}]\n  want: [${output}]\n  err: ${err}")
  elseif(ARG_ERROR AND NOT err MATCHES "${ARG_ERROR}")
    message(SEND_ERROR "tkb ${ARG_ARGS}: error [${err}] does not match [${ARG_ERROR}]")
  endif()
endfunction()

execute_process(COMMAND ${RUN} ${TKBSIM} create ${boards} TKB-20U RESULT_VARIABLE made OUTPUT_QUIET)
if(NOT made EQUAL 0)
  message(FATAL_ERROR "tkbsim create failed: ${made}")
endif()

file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/../../CMakeLists.txt projectLine REGEX "^project\\(")
string(REGEX MATCH "VERSION ([0-9.]+)" _ "${projectLine}")
expect(0 "tkb ${CMAKE_MATCH_1}\n" ARGS --version)
expect(2 "" ARGS i2c read 3C ERROR "^tkb i2c read: missing sub-address\n$")
expect(0 "" ARGS i2c write 3C 10 01 0A)
expect(0 "01,0A\n" ARGS i2c read 3C 10 2)
# Setting files keep their CR LF exactly: the Windows program's standard output adds no CR.
expect(0 "SLAVE 3C\r\n10 01 0A\r\n" ARGS dump 3C 10 11 --setting-file)
expect(0 "0x080000D4 0x00000055\n" ARGS fpga read 080000D4)
expect(1 "" ARGS -b 2 status ERROR "^tkb status: board 2 cannot be opened: result 0xF0000001")

# Standard input from a file is no terminal: an update asks nothing and writes nothing.
file(WRITE ${WORK}/image.bin "0123456789abcdef")
file(WRITE ${WORK}/yes.txt "y\n")
expect(1 "" ARGS update fpga ${winWork}/image.bin INPUT ${WORK}/yes.txt ERROR "not a terminal")
expect(0 "FPGA image: 16 bytes written and verified. Updating FPGA succeeded. Disconnect USB cable to restart the board.\n"
       ARGS update fpga ${winWork}/image.bin --yes ERROR "writing: 16 bytes\nwriting: done")

execute_process(COMMAND ${RUN} ${TKB} list --json OUTPUT_VARIABLE listed RESULT_VARIABLE got)
string(JSON model GET "${listed}" 0 model)
string(JSON fpga GET "${listed}" 0 fpga_version)
if(NOT got EQUAL 0 OR NOT model STREQUAL "TKB-20U" OR NOT fpga STREQUAL "3.05")
  message(SEND_ERROR "tkb list --json: ${got} [${listed}]")
endif()

# Two tkb processes on one board at once: a whole-flash update and, started with it, reads of a
# register one after another. The reads wait for the update's turn to end, or come before it; the
# board's frame log shows each command's frames as one run, never one process's frames in the
# middle of another's.
execute_process(COMMAND ${RUN} ${TKBSIM} clear-log ${boards} 0 RESULT_VARIABLE cleared)
string(REPEAT "0123456789abcdef" 262144 multi)
file(WRITE ${WORK}/multi.bin "${multi}")
set(read "'${TKB}' fpga read 10000040")
if(RUN)
  set(read "'${RUN}' ${read}")
endif()
# The reads' shell takes the update's standard output to its end, so that neither side of the
# pipe goes away under the other.
execute_process(COMMAND ${RUN} ${TKB} update multi ${winWork}/multi.bin --yes
                COMMAND sh -c "{ ${read} && ${read} && ${read}; } >'${WORK}/reads.txt'; s=$?; cat >/dev/null; exit $s"
                RESULTS_VARIABLE statuses ERROR_VARIABLE bothErr)
file(READ ${WORK}/reads.txt readOut)
string(REPEAT "0x10000040 0x00000780\n" 3 threeReads)
if(NOT cleared EQUAL 0 OR NOT statuses STREQUAL "0;0" OR NOT readOut STREQUAL threeReads)
  message(SEND_ERROR "update with reads beside it: exit ${statuses}\n  out: [${readOut}]\n  err: ${bothErr}")
endif()
execute_process(COMMAND ${RUN} ${TKBSIM} log ${boards} 0 OUTPUT_VARIABLE log RESULT_VARIABLE logged)
string(REGEX MATCHALL "pid [0-9]+" pids "${log}")
set(runs "")
set(last "")
foreach(pid IN LISTS pids)
  if(NOT pid STREQUAL last)
    list(FIND runs "${pid}" seen)
    if(NOT seen EQUAL -1)
      message(SEND_ERROR "two processes at once: ${pid} came back after another process's frames\n${log}")
      break()
    endif()
    list(APPEND runs "${pid}")
    set(last "${pid}")
  endif()
endforeach()
list(LENGTH runs commands)
if(NOT logged EQUAL 0 OR NOT commands EQUAL 4)
  message(SEND_ERROR "two processes at once: ${commands} runs of frames, want 4 (one per command)\n${log}")
endif()

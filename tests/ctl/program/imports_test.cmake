# The delivered program needs no file beyond the library beside it: every DLL it imports is one of
# Windows' own, or TKR50API.dll.
#   cmake -DOBJDUMP=<objdump> -DPROGRAM=<TKBctl.exe> -P imports_test.cmake
cmake_minimum_required(VERSION 3.25)
execute_process(COMMAND ${OBJDUMP} -p ${PROGRAM} OUTPUT_VARIABLE dump RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "objdump failed on ${PROGRAM}")
endif()
string(REGEX MATCHALL "DLL Name: [^\n]+" lines "${dump}")
set(system kernel32.dll user32.dll gdi32.dll comdlg32.dll comctl32.dll advapi32.dll shell32.dll
    setupapi.dll version.dll msvcrt.dll ole32.dll)
set(found "")
foreach(line IN LISTS lines)
  string(REGEX REPLACE "DLL Name: *" "" dll "${line}")
  string(STRIP "${dll}" dll)
  string(TOLOWER "${dll}" lower)
  list(APPEND found ${lower})
  if(NOT lower IN_LIST system AND NOT dll STREQUAL "TKR50API.dll" AND NOT lower MATCHES "^api-ms-win-")
    message(SEND_ERROR "${PROGRAM} imports ${dll}, which is neither Windows' own nor TKR50API.dll")
  endif()
endforeach()
if(NOT "tkr50api.dll" IN_LIST found)
  message(SEND_ERROR "${PROGRAM} does not import TKR50API.dll at load time: ${found}")
endif()

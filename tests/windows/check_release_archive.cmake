# Makes the release archive with cpack into WORK and fails unless
#  - it holds exactly INSTALL.txt, R7_DESK.dll, R7_DESK.zeth_ui and SHA256SUMS, at its top;
#  - SHA256SUMS holds one line "sum  name" for each of the other three files, and every sum is
#    that of the file in the archive;
#  - the DLL in the archive passes check_dll_tables.cmake (its export and import tables).
# Usage: cmake -DCPACK=... -DCONFIG=.../CPackConfig.cmake -DWORK=... -DOBJDUMP=...
#              -DTABLES=.../check_dll_tables.cmake -P check_release_archive.cmake
foreach(variable CPACK CONFIG WORK OBJDUMP TABLES)
    if(NOT DEFINED ${variable})
        message(FATAL_ERROR "check_release_archive: ${variable} is not set")
    endif()
endforeach()
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/unpacked)

execute_process(COMMAND ${CPACK} -G ZIP --config ${CONFIG} -B ${WORK}
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "cpack failed (${status}):\n${out}")
endif()
file(GLOB archives ${WORK}/*.zip)
list(LENGTH archives count)
if(NOT count EQUAL 1)
    message(FATAL_ERROR "cpack made ${count} ZIP archives, not one: ${archives}\n${out}")
endif()
message(STATUS "archive: ${archives}")

# What the archive lists, as it lists it.
execute_process(COMMAND ${CMAKE_COMMAND} -E tar tf ${archives}
                RESULT_VARIABLE status OUTPUT_VARIABLE listing ERROR_VARIABLE error)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "cannot list ${archives}: ${error}")
endif()
string(STRIP "${listing}" listing)
string(REPLACE "\n" ";" entries "${listing}")
list(SORT entries)
set(expected INSTALL.txt R7_DESK.dll R7_DESK.zeth_ui SHA256SUMS)
if(NOT entries STREQUAL expected)
    message(FATAL_ERROR "the archive must hold exactly '${expected}'; it holds '${entries}'")
endif()

execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf ${archives}
                WORKING_DIRECTORY ${WORK}/unpacked RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "cannot unpack ${archives}")
endif()
file(STRINGS ${WORK}/unpacked/SHA256SUMS lines)
set(summed)
foreach(line IN LISTS lines)
    if(NOT line MATCHES "^([0-9a-f]+)  ([^ ]+)$")
        message(FATAL_ERROR "SHA256SUMS: not a \"sum  name\" line: '${line}'")
    endif()
    set(sum ${CMAKE_MATCH_1})
    set(name ${CMAKE_MATCH_2})
    file(SHA256 ${WORK}/unpacked/${name} actual)
    if(NOT sum STREQUAL actual)
        message(FATAL_ERROR "SHA256SUMS gives ${name} the sum ${sum}; the file has ${actual}")
    endif()
    list(APPEND summed ${name})
endforeach()
list(SORT summed)
if(NOT summed STREQUAL "INSTALL.txt;R7_DESK.dll;R7_DESK.zeth_ui")
    message(FATAL_ERROR "SHA256SUMS must sum INSTALL.txt, R7_DESK.dll and R7_DESK.zeth_ui once "
                        "each; it sums '${summed}'")
endif()

execute_process(COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${OBJDUMP} -DDLL=${WORK}/unpacked/R7_DESK.dll
                        -P ${TABLES}
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
message(STATUS "${out}")
if(NOT status EQUAL 0)
    message(FATAL_ERROR "the archive's R7_DESK.dll fails the table checks")
endif()

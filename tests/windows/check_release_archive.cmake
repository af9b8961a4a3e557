# Makes the release archive with cpack into WORK and fails unless
#  - it holds exactly INSTALL.txt, R7_DESK.dll, R7_DESK.zeth_ui and SHA256SUMS, at its top;
#  - SHA256SUMS holds one line "sum  name" for each of the other three files, and every sum is
#    that of the file in the archive;
#  - the DLL in the archive passes check_dll_tables.cmake (its export and import tables).
# With KIT=ON (zeth-host is built) cpack also makes the kit ZIP beside it, which must hold exactly
# the files "cmake --install --component kit" installs from BUILD_DIR, with INSTALL.txt and a
# SHA256SUMS that sums every one of them (by its path in the archive), and whose zeth-host.exe
# imports only the system's DLLs and exports nothing.
# Usage: cmake -DCPACK=... -DCONFIG=.../CPackConfig.cmake -DWORK=... -DOBJDUMP=...
#              -DTABLES=.../check_dll_tables.cmake [-DKIT=ON -DBUILD_DIR=...]
#              -P check_release_archive.cmake
foreach(variable CPACK CONFIG WORK OBJDUMP TABLES)
    if(NOT DEFINED ${variable})
        message(FATAL_ERROR "check_release_archive: ${variable} is not set")
    endif()
endforeach()
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/unpacked ${WORK}/kit)

execute_process(COMMAND ${CPACK} -G ZIP --config ${CONFIG} -B ${WORK}
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "cpack failed (${status}):\n${out}")
endif()
file(GLOB archives ${WORK}/*.zip)
list(LENGTH archives count)
set(expected_count 1)
if(KIT)
    set(expected_count 2)
endif()
if(NOT count EQUAL expected_count)
    message(FATAL_ERROR "cpack made ${count} ZIP archives, not ${expected_count}: ${archives}\n"
                        "${out}")
endif()
file(GLOB release ${WORK}/R7_DESK-*-win32.zip)
if(NOT release)
    message(FATAL_ERROR "cpack made no R7_DESK-<version>-win32.zip: ${archives}")
endif()
message(STATUS "archives: ${archives}")

# unpacked(archive folder entries): unpacks archive into folder; entries: its files, sorted.
function(unpacked archive folder entries)
    execute_process(COMMAND ${CMAKE_COMMAND} -E tar tf ${archive}
                    RESULT_VARIABLE status OUTPUT_VARIABLE listing ERROR_VARIABLE error)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "cannot list ${archive}: ${error}")
    endif()
    string(STRIP "${listing}" listing)
    string(REPLACE "\n" ";" files "${listing}")
    list(FILTER files EXCLUDE REGEX "/$")
    list(SORT files)
    execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf ${archive} WORKING_DIRECTORY ${folder}
                    RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "cannot unpack ${archive}")
    endif()
    set(${entries} "${files}" PARENT_SCOPE)
endfunction()

# check_sums(folder files): SHA256SUMS in folder sums each of files once, each rightly.
function(check_sums folder files)
    file(STRINGS ${folder}/SHA256SUMS lines)
    set(summed)
    foreach(line IN LISTS lines)
        if(NOT line MATCHES "^([0-9a-f]+)  ([^ ]+)$")
            message(FATAL_ERROR "SHA256SUMS: not a \"sum  name\" line: '${line}'")
        endif()
        set(sum ${CMAKE_MATCH_1})
        set(name ${CMAKE_MATCH_2})
        file(SHA256 ${folder}/${name} actual)
        if(NOT sum STREQUAL actual)
            message(FATAL_ERROR "SHA256SUMS gives ${name} the sum ${sum}; the file has ${actual}")
        endif()
        list(APPEND summed ${name})
    endforeach()
    list(SORT summed)
    if(NOT summed STREQUAL files)
        message(FATAL_ERROR "SHA256SUMS must sum '${files}' once each; it sums '${summed}'")
    endif()
endfunction()

# tables(file arguments...): check_dll_tables.cmake on file.
function(tables file)
    execute_process(COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${OBJDUMP} -DDLL=${file} ${ARGN}
                            -P ${TABLES}
                    RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
    message(STATUS "${out}")
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "the archive's ${file} fails the table checks")
    endif()
endfunction()

unpacked(${release} ${WORK}/unpacked entries)
set(expected INSTALL.txt R7_DESK.dll R7_DESK.zeth_ui SHA256SUMS)
if(NOT entries STREQUAL expected)
    message(FATAL_ERROR "the archive must hold exactly '${expected}'; it holds '${entries}'")
endif()
check_sums(${WORK}/unpacked "INSTALL.txt;R7_DESK.dll;R7_DESK.zeth_ui")
tables(${WORK}/unpacked/R7_DESK.dll)

if(NOT KIT)
    return()
endif()
file(GLOB kit ${WORK}/zeth-kit-*-win32.zip)
if(NOT kit)
    message(FATAL_ERROR "cpack made no zeth-kit-<version>-win32.zip beside the release: "
                        "${archives}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${WORK}/installed
                        --component kit
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "cannot install the kit to compare with its ZIP:\n${out}")
endif()
file(GLOB_RECURSE installed LIST_DIRECTORIES false RELATIVE ${WORK}/installed ${WORK}/installed/*)
list(APPEND installed INSTALL.txt SHA256SUMS)
list(SORT installed)
unpacked(${kit} ${WORK}/kit entries)
if(NOT entries STREQUAL installed)
    message(FATAL_ERROR "the kit ZIP must hold what the kit installs, with INSTALL.txt and "
                        "SHA256SUMS: '${installed}'; it holds '${entries}'")
endif()
list(REMOVE_ITEM entries SHA256SUMS)
check_sums(${WORK}/kit "${entries}")
tables(${WORK}/kit/bin/zeth-host.exe -DNAME=zeth-host.exe -DPROGRAM=ON)
message(STATUS "the kit ZIP holds the installed kit, INSTALL.txt and the sums of every file")

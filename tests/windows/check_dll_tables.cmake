# Reads the export and import tables of the plug-in with objdump -p and fails unless
#  - the export table holds exactly one name, load_zeth_client_script (undecorated: no leading
#    underscore, no @n suffix), and
#  - the DLL imports from KERNEL32.dll and msvcrt.dll only (the compiler's runtime is linked in);
#    a program (zeth-host.exe) from ADVAPI32.dll and WS2_32.dll as well.
# Usage: cmake -DOBJDUMP=... -DDLL=.../R7_DESK.dll [-DNAME=R7_DESK.dll] [-DPROGRAM=ON]
#              -P check_dll_tables.cmake
#   NAME     the file name the plug-in must have (default R7_DESK.dll)
#   PROGRAM  DLL is a program (zeth-host.exe): it must export nothing
foreach(variable OBJDUMP DLL)
    if(NOT DEFINED ${variable})
        message(FATAL_ERROR "check_dll_tables: ${variable} is not set")
    endif()
endforeach()
if(NOT DEFINED NAME)
    set(NAME R7_DESK.dll)
endif()
set(expected_exports load_zeth_client_script)
if(PROGRAM)
    set(expected_exports "")
endif()
get_filename_component(dll_name ${DLL} NAME)
if(NOT dll_name STREQUAL NAME)
    message(FATAL_ERROR "the plug-in is named ${dll_name}, not ${NAME}")
endif()
execute_process(COMMAND ${OBJDUMP} -p ${DLL} OUTPUT_VARIABLE dump RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "${OBJDUMP} -p ${DLL} failed: ${status}")
endif()
string(REPLACE "\n" ";" lines "${dump}")

set(exports)
set(imports)
set(in_names FALSE)
foreach(line IN LISTS lines)
    if(line MATCHES "^[ \t]*DLL Name: (.+)$")
        string(TOLOWER "${CMAKE_MATCH_1}" imported)
        list(APPEND imports "${imported}")
    endif()
    if(line MATCHES "^\\[Ordinal/Name Pointer\\] Table")
        set(in_names TRUE)
    elseif(in_names)
        # "\t[   0] name" (binutils 2.40) or "\t[   0] +base[   1] 0000 name" (later ones)
        if(line MATCHES "^[ \t]*\\[ *[0-9]+\\][^\n]*[ \t]([^ \t]+)$")
            list(APPEND exports "${CMAKE_MATCH_1}")
        else()
            set(in_names FALSE)
        endif()
    endif()
endforeach()

message(STATUS "exports: ${exports}")
message(STATUS "imports: ${imports}")
if(NOT "${exports}" STREQUAL "${expected_exports}")
    message(FATAL_ERROR "${NAME} must export exactly '${expected_exports}'; it exports: "
                        "'${exports}'")
endif()
list(REMOVE_DUPLICATES imports)
list(SORT imports)
# zeth-host.exe also uses the system's sockets (serve) and its access lists (serve's private
# folder); nothing else that a Windows installation may lack.
set(allowed kernel32.dll msvcrt.dll)
if(PROGRAM)
    set(allowed advapi32.dll kernel32.dll msvcrt.dll ws2_32.dll)
endif()
if(NOT imports STREQUAL "${allowed}")
    message(FATAL_ERROR "${NAME} may import ${allowed} only; it imports: '${imports}'")
endif()

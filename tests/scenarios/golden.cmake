# Golden transcript check, run by ctest: runs zeth-host with ARGS, writes what it printed to the
# received file beside APPROVED (NAME.received.txt for NAME.approved.txt), and compares the two.
# On a difference it shows a unified diff and fails; approve the received transcript with
#   bash tests/scenarios/approve.sh NAME
# A scenario that is meant to fail says so in a line "# exit status: N" (default 0).
#
# A second run of one scenario (another way of running it that must give the same transcript)
# names its own RECEIVED file, so that both can run at once.
#
# cmake -DHOST=zeth-host -DAPPROVED=path/NAME.approved.txt -DARGS="run;path/NAME.zeth"
#       [-DEMULATOR=qemu-i386] [-DRECEIVED=path/OTHER.received.txt] [-DRECEIVED_DIR=folder]
#       -P golden.cmake
# RECEIVED_DIR: where the received file goes instead (a build's own folder, for a run on another
# system, whose transcript must equal the approved one and is never approved itself).
if(RECEIVED)
    set(received "${RECEIVED}")
else()
    string(REGEX REPLACE "\\.approved\\." ".received." received "${APPROVED}")
endif()
if(RECEIVED_DIR)
    get_filename_component(received_name "${received}" NAME)
    file(MAKE_DIRECTORY "${RECEIVED_DIR}")
    set(received "${RECEIVED_DIR}/${received_name}")
endif()

# A scenario runs from its own folder and is named without one, so that the paths it names (its
# facility file, the panel path) read the same in the transcript wherever the tree is.
set(expected_status 0)
set(folder "${CMAKE_CURRENT_BINARY_DIR}")
list(LENGTH ARGS count)
if(count GREATER 0)
    list(GET ARGS -1 last)
    if(last MATCHES "\\.zeth$")
        file(STRINGS "${last}" status_line REGEX "^# exit status: [0-9]+$")
        if(status_line)
            string(REGEX REPLACE "^# exit status: " "" expected_status "${status_line}")
        endif()
        get_filename_component(folder "${last}" DIRECTORY)
        get_filename_component(file "${last}" NAME)
        list(REMOVE_AT ARGS -1)
        list(APPEND ARGS "${file}")
    endif()
endif()

execute_process(COMMAND ${EMULATOR} "${HOST}" ${ARGS} WORKING_DIRECTORY "${folder}"
                OUTPUT_VARIABLE output ERROR_VARIABLE errors RESULT_VARIABLE status)
file(WRITE "${received}" "${output}")
if(NOT status EQUAL expected_status)
    message(FATAL_ERROR "zeth-host ${ARGS} exited with ${status}, expected ${expected_status}\n"
                        "${errors}\nThe transcript is in ${received}")
endif()
if(NOT EXISTS "${APPROVED}")
    message(FATAL_ERROR "There is no approved transcript ${APPROVED} yet. Read ${received}; "
                        "if it is right, approve it with: bash tests/scenarios/approve.sh")
endif()
execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${APPROVED}" "${received}"
                RESULT_VARIABLE differs)
if(differs)
    execute_process(COMMAND diff -u "${APPROVED}" "${received}")
    get_filename_component(name "${APPROVED}" NAME)
    string(REGEX REPLACE "\\.approved\\..*$" "" name "${name}")
    if(RECEIVED_DIR)
        message(FATAL_ERROR "The transcript differs from ${APPROVED} (diff above): on this "
                            "system zeth-host must write the approved transcript itself.")
    endif()
    message(FATAL_ERROR "The transcript differs from ${APPROVED} (diff above). If the new one "
                        "is right, approve it with: bash tests/scenarios/approve.sh ${name}")
endif()
file(REMOVE "${received}")

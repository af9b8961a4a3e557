# zeth_add_golden_tests(PREFIX name HOST program LABEL label [EMULATOR command...]
#                       [RECEIVED folder]): one test per golden transcript of this folder, named
# PREFIX.NAME: the demo (text and JSON) and each scenario, run by HOST (through EMULATOR, if any:
# qemu for the 32-bit Linux build, wine for the Windows one) and compared with NAME.approved.txt
# by golden.cmake. RECEIVED is where a differing transcript is left (default: beside the approved
# one, where approve.sh takes it from).
function(zeth_add_golden_tests)
    cmake_parse_arguments(PARSE_ARGV 0 golden "" "PREFIX;HOST;LABEL;RECEIVED" "EMULATOR")
    set(scenarios ${CMAKE_CURRENT_FUNCTION_LIST_DIR})
    set(in_process "host_replies.in_process.received.txt|--in-process|run")
    string(APPEND in_process "|${scenarios}/host_replies.zeth")
    # name | approved | received file (empty: beside the approved one) | arguments
    set(runs "demo|${scenarios}/demo.approved.txt||"
             "demo.json|${scenarios}/demo.approved.jsonl||--json"
             "host_replies.in_process|${scenarios}/host_replies.approved.txt|${in_process}")
    file(GLOB scenario_files CONFIGURE_DEPENDS ${scenarios}/*.zeth)
    foreach(scenario ${scenario_files})
        get_filename_component(name ${scenario} NAME_WE)
        list(APPEND runs "${name}|${scenarios}/${name}.approved.txt||run|${scenario}")
    endforeach()
    foreach(run IN LISTS runs)
        string(REPLACE "|" ";" fields "${run}")
        list(GET fields 0 name)
        list(GET fields 1 approved)
        list(GET fields 2 received)
        if(received)
            set(received ${scenarios}/${received})
        endif()
        list(SUBLIST fields 3 -1 arguments)
        add_test(NAME ${golden_PREFIX}.${name}
                 COMMAND ${CMAKE_COMMAND} -DHOST=${golden_HOST} "-DEMULATOR=${golden_EMULATOR}"
                         -DAPPROVED=${approved} "-DARGS=${arguments}"
                         "-DRECEIVED=${received}"
                         "-DRECEIVED_DIR=${golden_RECEIVED}" -P ${scenarios}/golden.cmake)
        set_tests_properties(${golden_PREFIX}.${name} PROPERTIES LABELS ${golden_LABEL})
    endforeach()
endfunction()

# The kit as a panel author meets it: installs the kit (component "kit") from this build into a
# fresh prefix, runs the installed zeth-host from the kit alone (the demo, the shell's help, the
# references, with no plug-in named), configures and builds examples/xy_panel there as a project
# of its own with find_package(zeth), checks what zeth_add_panel made of it, and runs and
# validates the example with the installed zeth-host. Each step says what failed and shows the
# tool's own output.
#
# Usage: cmake -DBUILD_DIR=... -DEXAMPLE=... -DTHROWING=... -DTHROWING_SCENARIO=... -DWORK=...
#              -DGENERATOR=... -DCXX=... [-DNM=...] -P consumer_test.cmake
#        cmake -DBUILD_DIR=... -DEXAMPLE=... -DWORK=... -DGENERATOR=... -DTOOLCHAIN=...
#              -DOBJDUMP=... -DTABLES=... "-DEMULATOR=..." -P consumer_test.cmake
# The second form is the Windows kit: the example built with the kit's cross toolchain file as a
# DLL (its tables checked by TABLES, check_dll_tables.cmake) and the installed zeth-host.exe run
# through EMULATOR (wine).
# The Windows form leaves out the steps of the kit alone and of the throwing handler, which need
# Linux plug-ins (the demo's, THROWING).
foreach(variable BUILD_DIR EXAMPLE WORK GENERATOR)
    if(NOT DEFINED ${variable})
        message(FATAL_ERROR "consumer_test: ${variable} is not set")
    endif()
endforeach()
if(TOOLCHAIN)
    # A cross toolchain looks for packages only in its own root: the package's folder is named.
    set(compiler -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN} -Dzeth_DIR=${WORK}/prefix/lib/cmake/zeth)
    set(plugin_suffix .dll)
    set(program_suffix .exe)
elseif(DEFINED CXX)
    foreach(variable THROWING THROWING_SCENARIO)
        if(NOT DEFINED ${variable})
            message(FATAL_ERROR "consumer_test: ${variable} is not set")
        endif()
    endforeach()
    set(compiler -DCMAKE_CXX_COMPILER=${CXX})
    set(plugin_suffix .so)
    set(program_suffix "")
else()
    message(FATAL_ERROR "consumer_test: set CXX, or TOOLCHAIN for a cross build")
endif()

set(prefix ${WORK}/prefix)
set(build ${WORK}/xy_panel)
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})

# step(what COMMAND...): runs one step; unless it exits with step_status (default 0) it stops
# with what and the step's output. A step_input set before it is the step's standard input.
function(step what)
    message(STATUS "${what}")
    set(input)
    if(step_input)
        file(WRITE ${WORK}/input.txt "${step_input}")
        set(input INPUT_FILE ${WORK}/input.txt)
    endif()
    if(NOT DEFINED step_status)
        set(step_status 0)
    endif()
    execute_process(COMMAND ${ARGN} ${input} RESULT_VARIABLE status OUTPUT_VARIABLE out
                    ERROR_VARIABLE out)
    if(NOT status EQUAL step_status)
        message(FATAL_ERROR "${what} ended with ${status}, not ${step_status}:\n${out}")
    endif()
    set(step_output "${out}" PARENT_SCOPE)
endfunction()

# saying(what text): the last step's output must hold text.
function(saying what text)
    string(FIND "${step_output}" "${text}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "${what}: the output does not say \"${text}\":\n${step_output}")
    endif()
endfunction()

step("installing the kit into ${prefix}"
     ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix} --component kit)
foreach(installed bin/zeth-host${program_suffix} lib/cmake/zeth/zethConfig.cmake
                  lib/cmake/zeth/zethConfigVersion.cmake lib/cmake/zeth/zeth_add_panel.cmake
                  include/zeth/zeth_panel_factory.h include/zeth/zeth_client_callback.h
                  share/zeth/reference/scenario-language.md share/zeth/reference/events.md
                  share/zeth/reference/facility.md share/zeth/reference/layout.md
                  share/zeth/reference/http-routes.md share/zeth/examples/facility.toml
                  share/zeth/examples/R7_DESK.zeth_ui share/zeth/examples/demo.zeth
                  share/zeth/examples/xy_panel/CMakeLists.txt)
    if(NOT EXISTS ${prefix}/${installed})
        message(FATAL_ERROR "the installed kit has no ${installed}")
    endif()
endforeach()

set(host ${prefix}/bin/zeth-host${program_suffix})
if(NOT TOOLCHAIN)
# zeth-host from the kit alone: the demo plug-in is found in share/zeth/examples, and help needs
# no plug-in at all.
step("running the demo with the installed zeth-host" ${host})
saying("the demo" "the demo: passed")
set(step_input "help\nquit\n")
step("the installed zeth-host's shell, with help" ${host} shell)
saying("the shell" "expect crosspoint ROUTER DEST = SOURCE")
saying("the shell" "desk 1 | Sources none")
set(step_input)
step("zeth-host help with no plug-in to be had" ${host} --plugin ${WORK}/none.so help events)
saying("zeth-host help events" "# What a panel receives")

# A handler that throws is caught by the framework, which says so in one debug line: the installed
# zeth-host reports it, and the run and validate's check fail (status 1).
get_filename_component(throwing_folder ${THROWING} DIRECTORY)
set(step_status 1)
step("a handler's exception in a run" ${host} run --plugin ${THROWING} --panel-path
     ${throwing_folder} ${THROWING_SCENARIO})
saying("the run" "debug: exception in handler onClick (message code 2): the salvo has no destinations")
saying("the run" "!! exception-in-handler:")
saying("the run" "expect disabled Fire: ok")
step("a handler's exception in validate" ${host} validate --plugin ${THROWING} --panel-path
     ${throwing_folder} --only operator-session --messages 200 --scenario-folder
     ${WORK}/sessions)
saying("validate" "exception-in-handler: the framework caught an exception from the handler onClick")
unset(step_status)
endif()

# The example's own warnings are the project's: they fail the build.
step("configuring ${EXAMPLE} against the installed kit"
     ${CMAKE_COMMAND} -S ${EXAMPLE} -B ${build} -G ${GENERATOR} ${compiler}
     -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_BUILD_TYPE=RelWithDebInfo
     "-DCMAKE_CXX_FLAGS=-Wall -Wextra -Wpedantic -Werror")
step("building the example" ${CMAKE_COMMAND} --build ${build})

set(plugin ${build}/xy_panel${plugin_suffix})
if(NOT EXISTS ${plugin})
    file(GLOB made ${build}/*xy_panel*)
    message(FATAL_ERROR "zeth_add_panel made no ${plugin} (without \"lib\"); found: ${made}")
endif()
if(NOT EXISTS ${build}/xy_panel.zeth_ui)
    message(FATAL_ERROR "zeth_add_panel did not copy the layout beside the plug-in")
endif()
if(NM)
    step("reading the plug-in's exports" ${NM} -D --defined-only ${plugin})
    string(REGEX REPLACE "[^;\n]*[ \t]([^ \t\n]+)\n" "\\1" symbols "${step_output}")
    string(STRIP "${symbols}" symbols)
    if(NOT symbols STREQUAL "load_zeth_client_script")
        message(FATAL_ERROR "the plug-in must export load_zeth_client_script alone; it exports:\n"
                            "${step_output}")
    endif()
endif()
if(TABLES)
    step("reading the DLL's export and import tables" ${CMAKE_COMMAND} -DOBJDUMP=${OBJDUMP}
         -DDLL=${plugin} -DNAME=xy_panel.dll -P ${TABLES})
endif()

# host(what ARGS...): runs the installed zeth-host, which must exit with 0. Each further check of
# the example by the installed host is one more host(...) step below.
function(host what)
    step("${what}" ${EMULATOR} ${host} ${ARGN})
    message(STATUS "${step_output}")
endfunction()

host("running the example's scenario with the installed zeth-host"
     run --plugin ${plugin} --facility ${EXAMPLE}/facility.toml --panel-path ${build}
     ${EXAMPLE}/xy_panel.zeth)
host("validating the example with the installed zeth-host"
     validate --plugin ${plugin} --facility ${EXAMPLE}/facility.toml --panel-path ${build})

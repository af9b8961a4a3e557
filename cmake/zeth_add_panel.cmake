# zeth_add_panel(NAME SOURCES source... [LAYOUT file]): a panel plug-in, NAME.so or NAME.dll.
#
# The same file serves this project's own build and the installed kit (find_package(zeth)). The
# plug-in links the framework (zeth::framework) and exports exactly one symbol, the factory
# load_zeth_client_script, which ZETH_PANEL(Class) defines in one of SOURCES
# (zeth_panel_factory.h):
#   - the file has no "lib" prefix, as hosts look for NAME.so / NAME.dll;
#   - everything is compiled with hidden visibility; on ELF a linker version script also keeps
#     the symbols of a statically linked runtime out of the dynamic symbol table;
#   - on Windows the factory's dllexport mark makes the export table; with MinGW the compiler's
#     runtime is linked in statically, so the DLL needs only the system's KERNEL32.dll and
#     msvcrt.dll, and on 32-bit Windows the framework's headers give the panel the host's
#     virtual-table layout (zeth_client_callback.h).
# LAYOUT names the panel's layout file (the file the panel shows with "PS"): it is copied beside
# the built plug-in, and the target's ZETH_LAYOUT property holds its full path for install rules.
# Further settings (warnings, more libraries) go on the target NAME as usual.
include_guard(GLOBAL)

function(zeth_add_panel name)
    cmake_parse_arguments(PARSE_ARGV 1 panel "" "LAYOUT" "SOURCES")
    if(panel_UNPARSED_ARGUMENTS)
        message(FATAL_ERROR "zeth_add_panel(${name}): unexpected arguments "
                            "'${panel_UNPARSED_ARGUMENTS}'; use zeth_add_panel(NAME SOURCES "
                            "source... [LAYOUT file])")
    endif()
    if(NOT panel_SOURCES)
        message(FATAL_ERROR "zeth_add_panel(${name}): no SOURCES; one of them must say "
                            "ZETH_PANEL(YourPanelClass)")
    endif()
    if(NOT TARGET zeth::framework)
        message(FATAL_ERROR "zeth_add_panel(${name}): zeth::framework is missing; call "
                            "find_package(zeth CONFIG REQUIRED) first")
    endif()

    add_library(${name} SHARED ${panel_SOURCES})
    target_link_libraries(${name} PRIVATE zeth::framework)
    set_target_properties(${name} PROPERTIES
        PREFIX ""
        CXX_VISIBILITY_PRESET hidden
        VISIBILITY_INLINES_HIDDEN ON
        POSITION_INDEPENDENT_CODE ON)
    if(NOT WIN32 AND NOT APPLE)
        # Lies beside this file, in the source tree and in the installed kit alike.
        set(map ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/zeth_plugin.map)
        target_link_options(${name} PRIVATE "LINKER:--version-script=${map}")
        set_property(TARGET ${name} APPEND PROPERTY LINK_DEPENDS ${map})
    endif()
    if(MINGW)
        target_link_options(${name} PRIVATE -static)
    endif()

    if(panel_LAYOUT)
        get_filename_component(layout ${panel_LAYOUT} ABSOLUTE)
        if(NOT EXISTS ${layout})
            message(FATAL_ERROR "zeth_add_panel(${name}): the layout file ${layout} does not exist")
        endif()
        get_filename_component(layout_name ${layout} NAME)
        set_target_properties(${name} PROPERTIES ZETH_LAYOUT ${layout})
        add_custom_command(TARGET ${name} POST_BUILD
            COMMAND ${CMAKE_COMMAND} -E copy_if_different ${layout}
                    $<TARGET_FILE_DIR:${name}>/${layout_name}
            COMMENT "Copying ${layout_name} beside ${name}"
            VERBATIM)
    endif()
endfunction()

# ZETH_SANITIZE applies to every target of the build, so that the plug-in, the framework and the
# tests are instrumented alike: "address,undefined" (preset asan), "thread" (preset tsan),
# "undefined" (preset linux-i386).
#
# zeth_without_sanitizers(target) builds one target plain, to show that a sanitized zeth-host runs
# a plug-in built elsewhere.
if(ZETH_SANITIZE)
    if(ZETH_SANITIZE MATCHES "thread" AND ZETH_SANITIZE MATCHES "address")
        message(FATAL_ERROR "ZETH_SANITIZE: ThreadSanitizer does not combine with AddressSanitizer "
                            "(use the presets 'tsan' and 'asan')")
    endif()
    set(ZETH_SANITIZER_FLAGS -fsanitize=${ZETH_SANITIZE} -fno-omit-frame-pointer
                             -fno-sanitize-recover=all)
    if(ZETH_SANITIZE MATCHES "undefined")
        # UBSan's vptr check reads each polymorphic object's type information through its virtual
        # table. zeth-host calls plug-ins built elsewhere through zeth_client_callback, and a
        # plug-in built without type information (-fno-rtti, common for plug-ins) stops the
        # check at the host's first call into it ("invalid vptr"). The interface's table is fixed
        # (zeth_client_callback.h) and pinned by its own tests, so the check adds nothing there.
        list(APPEND ZETH_SANITIZER_FLAGS -fno-sanitize=vptr)
    endif()
    add_compile_options(${ZETH_SANITIZER_FLAGS})
    add_link_options(-fsanitize=${ZETH_SANITIZE})
endif()

function(zeth_without_sanitizers target)
    foreach(property COMPILE_OPTIONS LINK_OPTIONS)
        get_target_property(options ${target} ${property})
        if(options)
            list(FILTER options EXCLUDE REGEX "^-fn?o?-?sanitize")
            set_target_properties(${target} PROPERTIES ${property} "${options}")
        endif()
    endforeach()
endfunction()

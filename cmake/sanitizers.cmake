# ZETH_SANITIZE applies to every target of the build, so that the plug-in, the framework and the
# tests are instrumented alike.
if(ZETH_SANITIZE)
    add_compile_options(-fsanitize=${ZETH_SANITIZE} -fno-omit-frame-pointer
                        -fno-sanitize-recover=all)
    add_link_options(-fsanitize=${ZETH_SANITIZE})
endif()

# The kit's CMake package, installed with cmake --install into <prefix>/lib/cmake/zeth:
# zethConfig.cmake and its version file, the exported targets (zeth::interface, zeth::framework
# and, when built, zeth::host) and zeth_add_panel.cmake with the plug-in's version script, the
# very files this build uses itself.
include(CMakePackageConfigHelpers)

set(ZETH_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/zeth)
if(TARGET zeth-host)
    set_target_properties(zeth-host PROPERTIES EXPORT_NAME host)
    install(TARGETS zeth-host EXPORT zethTargets
            RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT kit)
endif()
install(EXPORT zethTargets NAMESPACE zeth:: DESTINATION ${ZETH_PACKAGE_DIR} COMPONENT kit)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/zethConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/zethConfig.cmake
                              INSTALL_DESTINATION ${ZETH_PACKAGE_DIR})
# A panel built against one version of the kit keeps working with later ones of the same major
# version: the wire texts, the records and the virtual-table layout change only with it.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/zethConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/zethConfig.cmake ${PROJECT_BINARY_DIR}/zethConfigVersion.cmake
              ${PROJECT_SOURCE_DIR}/cmake/zeth_add_panel.cmake
              ${PROJECT_SOURCE_DIR}/cmake/zeth_plugin.map
        DESTINATION ${ZETH_PACKAGE_DIR} COMPONENT kit)

# The kit's own files, share/zeth: the references (the very texts the README links and zeth-host
# help prints), the example facility with R7_DESK's layout and the demo scenario, the example
# panel's project, and, where zeth-host is built, the demo plug-in R7_DESK beside its layout,
# which the installed zeth-host runs when no --plugin is given (plugin_loader.h).
set(ZETH_SHARE_DIR ${CMAKE_INSTALL_DATADIR}/zeth)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/reference/ DESTINATION ${ZETH_SHARE_DIR}/reference
        COMPONENT kit FILES_MATCHING PATTERN "*.md")
install(FILES ${PROJECT_SOURCE_DIR}/host/examples/facility.toml
              ${PROJECT_SOURCE_DIR}/host/examples/R7_DESK.zeth_ui
              ${PROJECT_SOURCE_DIR}/host/examples/demo.zeth
        DESTINATION ${ZETH_SHARE_DIR}/examples COMPONENT kit)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/xy_panel DESTINATION ${ZETH_SHARE_DIR}/examples
        COMPONENT kit PATTERN build EXCLUDE)
if(TARGET zeth-host AND TARGET R7_DESK)
    install(TARGETS R7_DESK
            LIBRARY DESTINATION ${ZETH_SHARE_DIR}/examples COMPONENT kit
            RUNTIME DESTINATION ${ZETH_SHARE_DIR}/examples COMPONENT kit)
endif()

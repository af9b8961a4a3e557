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

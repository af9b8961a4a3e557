# The kit ZIP of the Windows build, beside the release archive (cpack --preset mingw-i686): the
# install component "kit" (headers, the framework library, the CMake package, zeth-host.exe) and,
# at its top, INSTALL.txt and SHA256SUMS, the sums of every file the ZIP holds by its path in it.
# Both come as a component of their own, kit_notes, packed with the kit (component group "kit")
# but left out of every "cmake --install", so that no prefix gets them. The sums are of the kit as
# installed into a folder of the build, which the build makes afresh whenever a file of the kit
# changes. Included by release_archive.cmake, before CPack.
set(ZETH_KIT_STAGE ${PROJECT_BINARY_DIR}/kit_archive)
set(ZETH_KIT_TEXT ${PROJECT_SOURCE_DIR}/cmake/kit/INSTALL.txt)
file(GLOB ZETH_KIT_HEADERS ${PROJECT_SOURCE_DIR}/framework/*.h
     ${PROJECT_SOURCE_DIR}/framework/shared/*.h)
add_custom_command(
    OUTPUT ${ZETH_KIT_STAGE}/SHA256SUMS
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${ZETH_KIT_STAGE}
    COMMAND ${CMAKE_COMMAND} --install ${PROJECT_BINARY_DIR} --prefix ${ZETH_KIT_STAGE}
            --component kit
    COMMAND ${CMAKE_COMMAND} -E copy ${ZETH_KIT_TEXT} ${ZETH_KIT_STAGE}/INSTALL.txt
    COMMAND ${CMAKE_COMMAND} -DOUTPUT=${ZETH_KIT_STAGE}/SHA256SUMS -DBASE=${ZETH_KIT_STAGE}
            -P ${PROJECT_SOURCE_DIR}/cmake/sha256sums.cmake
    DEPENDS zeth-host zeth_framework ${ZETH_KIT_HEADERS} ${ZETH_KIT_TEXT}
            ${PROJECT_SOURCE_DIR}/cmake/zeth_add_panel.cmake
            ${PROJECT_SOURCE_DIR}/cmake/zeth_plugin.map
            ${PROJECT_SOURCE_DIR}/cmake/sha256sums.cmake
    COMMENT "Writing the kit ZIP's SHA256SUMS"
    VERBATIM)
add_custom_target(zeth_kit_sums ALL DEPENDS ${ZETH_KIT_STAGE}/SHA256SUMS)
install(FILES ${ZETH_KIT_STAGE}/INSTALL.txt ${ZETH_KIT_STAGE}/SHA256SUMS
        DESTINATION . COMPONENT kit_notes EXCLUDE_FROM_ALL)

list(APPEND CPACK_COMPONENTS_ALL kit kit_notes)
set(CPACK_COMPONENT_KIT_GROUP kit)
set(CPACK_COMPONENT_KIT_NOTES_GROUP kit)
set(CPACK_ARCHIVE_KIT_FILE_NAME zeth-kit-${PROJECT_VERSION}-win32)

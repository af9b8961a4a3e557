# The release archive of the deployed plug-in (preset mingw-i686; make it with
# "cpack --preset mingw-i686"): a ZIP holding exactly R7_DESK.dll, its layout R7_DESK.zeth_ui,
# INSTALL.txt and SHA256SUMS (the sums of the other three), all at the top of the archive. Only
# the install component "release" goes in; the kit's headers and library stay out, and go into
# the kit ZIP beside it (kit_archive.cmake) when zeth-host is built.
set(ZETH_RELEASE_LAYOUT ${PROJECT_SOURCE_DIR}/host/examples/R7_DESK.zeth_ui)
set(ZETH_RELEASE_TEXT ${PROJECT_SOURCE_DIR}/panel/INSTALL.txt)
set(ZETH_RELEASE_SUMS ${PROJECT_BINARY_DIR}/release/SHA256SUMS)

add_custom_command(
    OUTPUT ${ZETH_RELEASE_SUMS}
    COMMAND ${CMAKE_COMMAND} -DOUTPUT=${ZETH_RELEASE_SUMS}
            "-DFILES=$<TARGET_FILE:R7_DESK>;${ZETH_RELEASE_LAYOUT};${ZETH_RELEASE_TEXT}"
            -P ${PROJECT_SOURCE_DIR}/cmake/sha256sums.cmake
    DEPENDS R7_DESK ${ZETH_RELEASE_LAYOUT} ${ZETH_RELEASE_TEXT}
            ${PROJECT_SOURCE_DIR}/cmake/sha256sums.cmake
    COMMENT "Writing the release's SHA256SUMS"
    VERBATIM)
add_custom_target(zeth_release_sums ALL DEPENDS ${ZETH_RELEASE_SUMS})

install(FILES $<TARGET_FILE:R7_DESK> ${ZETH_RELEASE_LAYOUT} ${ZETH_RELEASE_TEXT}
              ${ZETH_RELEASE_SUMS}
        DESTINATION . COMPONENT release)

set(CPACK_PACKAGE_NAME R7_DESK)
set(CPACK_PACKAGE_VENDOR "R7_DESK")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_GENERATOR ZIP)
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL release)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_ARCHIVE_RELEASE_FILE_NAME R7_DESK-${PROJECT_VERSION}-win32)
if(TARGET zeth-host)
    include(${PROJECT_SOURCE_DIR}/cmake/kit_archive.cmake)
endif()
include(CPack)

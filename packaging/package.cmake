# `make package`: a Debian package of the installed layout, made by CPack.
# It carries no copy of the font: share/resistenze/CabinSketch-Bold.otf
# links to the file of the fonts-cabinsketch package it depends on.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME resistenze)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "The resistenze developers <resistenze@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "reads the colour code of through-hole resistors")
set(CPACK_PACKAGE_DESCRIPTION
    "A desktop program with an Italian, custom-painted interface: press the
colour bands of a resistor in order, from either end, and it shows the
values the sequence gives under the three-, four- and five-band rules.

The package also holds libfgdip, the program's picture loader, for C programs.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The library's shlibs entry and the ldconfig trigger, written here rather
# than by CPack, whose maintainer scripts call ldconfig directly.
configure_file(${CMAKE_CURRENT_LIST_DIR}/shlibs.in packaging/shlibs @ONLY)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${CMAKE_BINARY_DIR}/packaging/shlibs ${CMAKE_CURRENT_LIST_DIR}/triggers)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS fonts-cabinsketch)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-wayland)
# Every component but the bundled font, as one package.
set(CPACK_COMPONENTS_ALL Unspecified system_font debian_files)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_STRIP_FILES ON)
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR})

set(debian_doc ${CMAKE_INSTALL_DATADIR}/doc/resistenze)
add_custom_command(OUTPUT changelog.gz
    COMMAND gzip -9nc ${CMAKE_CURRENT_LIST_DIR}/changelog > changelog.gz
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/changelog VERBATIM)
add_custom_target(debian_changelog ALL DEPENDS changelog.gz)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright ${CMAKE_BINARY_DIR}/changelog.gz
        DESTINATION ${debian_doc} COMPONENT debian_files EXCLUDE_FROM_ALL)

include(CPack)

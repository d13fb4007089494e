# `make package`: three Debian packages of the installed layout, made by
# CPack from install components:
#   resistenze    the program, its data, menu entry, icons, metainfo, manuals
#   libfgdip1     the picture loader libfgdip.so.1 (component fgdip)
#   libfgdip-dev  its header, .so link and .pc file (component fgdip_dev)
# resistenze carries no copy of the font: share/resistenze/CabinSketch-Bold.otf
# links to the file of the fonts-cabinsketch package it depends on.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME resistenze)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "The resistenze developers <resistenze@example.org>")
# Each package's description is its own: the first line is the synopsis.
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR})
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ONE_PER_GROUP)
set(CPACK_COMPONENTS_ALL Unspecified system_font doc_resistenze fgdip doc_libfgdip1 fgdip_dev
                         doc_libfgdip-dev)
# CPack's own shlibs file and its maintainer scripts, which call ldconfig
# directly, stay off: libfgdip1 has its shlibs file and the ldconfig trigger.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# dpkg-shlibdeps would also make CPack add those scripts to the library's
# package, so its dependencies are found when cpack starts (fgdip_depends).
set(CPACK_DEBIAN_LIBRARY_PACKAGE_SHLIBDEPS OFF)
file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/packaging/cpack_options.cmake CONTENT
     "set(FGDIP_FILE \"$<TARGET_FILE:fgdip>\")
set(FGDIP_WORK \"${CMAKE_BINARY_DIR}/packaging/fgdip_depends\")
include(${CMAKE_CURRENT_LIST_DIR}/fgdip_depends.cmake)\n")
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_BINARY_DIR}/packaging/cpack_options.cmake)

set(CPACK_DEBIAN_PROGRAM_PACKAGE_NAME resistenze)
set(CPACK_DEBIAN_PROGRAM_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PROGRAM_PACKAGE_DEPENDS fonts-cabinsketch)
set(CPACK_DEBIAN_PROGRAM_PACKAGE_RECOMMENDS qt6-wayland)
set(CPACK_DEBIAN_PROGRAM_DESCRIPTION
    "reads the colour code of through-hole resistors
A desktop program with an Italian, custom-painted interface: press the
colour bands of a resistor in order, from either end, and it shows the
values the sequence gives under the three-, four- and five-band rules.")

set(CPACK_DEBIAN_LIBRARY_PACKAGE_NAME libfgdip1)
set(CPACK_DEBIAN_LIBRARY_PACKAGE_SECTION libs)
configure_file(${CMAKE_CURRENT_LIST_DIR}/shlibs.in packaging/shlibs @ONLY)
set(CPACK_DEBIAN_LIBRARY_PACKAGE_CONTROL_EXTRA
    ${CMAKE_BINARY_DIR}/packaging/shlibs ${CMAKE_CURRENT_LIST_DIR}/triggers)
set(CPACK_DEBIAN_LIBRARY_DESCRIPTION
    "picture loader of the resistenze program
libfgdip decodes a picture file, or the clipboard's picture, into a new
bitmap or into one of the caller's, stretched or fitted, and lets a C
program read the result's size and pixels and free it.")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libfgdip-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS "libfgdip1 (= ${PROJECT_VERSION})")
set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION
    "picture loader of the resistenze program - development files
libfgdip decodes a picture file, or the clipboard's picture, into a bitmap.
This package holds the C header fgdip.h, the link to the library and its
pkg-config file.")

include(CPack)
cpack_add_component_group(program)
cpack_add_component_group(library)
cpack_add_component_group(development)
cpack_add_component(Unspecified GROUP program)
cpack_add_component(system_font GROUP program)
cpack_add_component(fgdip GROUP library)
cpack_add_component(fgdip_dev GROUP development)

# Each package's copyright and changelog in /usr/share/doc/<package>/.
set(doc_packages resistenze libfgdip1 libfgdip-dev)
set(doc_groups program library development)
set(doc_copyrights copyright copyright-fgdip copyright-fgdip)
foreach(package group copyright IN ZIP_LISTS doc_packages doc_groups doc_copyrights)
    set(PACKAGE ${package})
    configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog.in packaging/${package}/changelog @ONLY)
    set(changelog ${CMAKE_BINARY_DIR}/packaging/${package}/changelog)
    add_custom_command(OUTPUT ${changelog}.gz
        COMMAND gzip -9nc ${changelog} > ${changelog}.gz DEPENDS ${changelog} VERBATIM)
    add_custom_target(changelog_${package} ALL DEPENDS ${changelog}.gz)
    install(FILES ${CMAKE_CURRENT_LIST_DIR}/${copyright} RENAME copyright
            DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package}
            COMPONENT doc_${package} EXCLUDE_FROM_ALL)
    install(FILES ${changelog}.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package}
            COMPONENT doc_${package} EXCLUDE_FROM_ALL)
    cpack_add_component(doc_${package} GROUP ${group})
endforeach()

# Read by cpack (CPACK_PROJECT_CONFIG_FILE): the Depends of libfgdip1, from
# dpkg-shlibdeps on the built library, as CPack would find them itself.
if(CPACK_GENERATOR STREQUAL "DEB" AND FGDIP_FILE)
    file(MAKE_DIRECTORY ${FGDIP_WORK}/debian)
    file(WRITE ${FGDIP_WORK}/debian/control "")
    execute_process(COMMAND dpkg-shlibdeps -O ${FGDIP_FILE} WORKING_DIRECTORY ${FGDIP_WORK}
                    OUTPUT_VARIABLE out RESULT_VARIABLE failed ERROR_VARIABLE err)
    if(failed OR NOT out MATCHES "shlibs:Depends=([^\n]*)")
        message(FATAL_ERROR "dpkg-shlibdeps on ${FGDIP_FILE} failed: ${err}")
    endif()
    set(CPACK_DEBIAN_LIBRARY_PACKAGE_DEPENDS "${CMAKE_MATCH_1}")
endif()

# The exported loader, from a plain C program that loads libfgdip.so with
# dlopen and has no Qt application of its own.
add_executable(fgdip_c_test ${CMAKE_CURRENT_SOURCE_DIR}/fgdip_c_test.c)
target_link_libraries(fgdip_c_test PRIVATE ${CMAKE_DL_LIBS})
set_target_properties(fgdip_c_test PROPERTIES C_STANDARD 99 C_EXTENSIONS ON)
add_dependencies(fgdip_c_test fgdip)
add_test(NAME fgdip_c_test
         COMMAND fgdip_c_test $<TARGET_FILE:fgdip> ${CMAKE_CURRENT_BINARY_DIR})

# The exported loader from 8 threads at once, linked directly.
find_package(Threads REQUIRED)
add_executable(fgdip_threads ${CMAKE_CURRENT_SOURCE_DIR}/fgdip_threads.c)
target_include_directories(fgdip_threads PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(fgdip_threads PRIVATE fgdip Threads::Threads)
set_target_properties(fgdip_threads PROPERTIES C_STANDARD 99)
add_test(NAME fgdip_threads COMMAND fgdip_threads ${CMAKE_CURRENT_BINARY_DIR})

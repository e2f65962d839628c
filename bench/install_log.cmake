# install_log_bench: the install worker's log (header, one File line per extracted file, closing
# and writing the file) for 2,000 and 20,000 files; the time per file must not grow with the count.
add_executable(install_log_bench ${CMAKE_CURRENT_LIST_DIR}/install_log_bench.cpp)
target_include_directories(install_log_bench PRIVATE ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(install_log_bench PRIVATE vorlax_driver vorlax_config vorlax_cabinet
                      vorlax_platform_posix)

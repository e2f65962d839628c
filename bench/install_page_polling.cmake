# install_page_polling_bench: the product extraction on a worker thread with and without the
# install page's 40 ms polling on the main thread; the ratio shows what the polling costs.
add_executable(install_page_polling_bench ${CMAKE_CURRENT_LIST_DIR}/install_page_polling_bench.cpp)
target_include_directories(install_page_polling_bench PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR})
target_link_libraries(install_page_polling_bench PRIVATE vorlax_packer vorlax_ui vorlax_driver vorlax_config
                      vorlax_cabinet vorlax_platform_posix)

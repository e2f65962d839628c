# mszip_bench: our MSZIP decoder against zlib's inflate on the same blocks, side by side in one
# run. Run: build/<dir>/bench/mszip_bench [megabytes]   (default 120)
find_package(ZLIB REQUIRED)
add_executable(mszip_bench ${CMAKE_CURRENT_SOURCE_DIR}/mszip_bench.cpp)
target_link_libraries(mszip_bench PRIVATE vorlax_cabinet ZLIB::ZLIB)

# mszip_kind_bench: one kind of the same data at a time, for measuring single changes.
# Run: build/<dir>/bench/mszip_kind_bench KIND [megabytes [rounds]]
add_executable(mszip_kind_bench ${CMAKE_CURRENT_SOURCE_DIR}/mszip_kind_bench.cpp)
target_link_libraries(mszip_kind_bench PRIVATE vorlax_cabinet ZLIB::ZLIB)

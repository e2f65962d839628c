# mszip_bench: our MSZIP decoder against zlib's inflate on the same blocks, side by side in one
# run. Run: build/<dir>/bench/mszip_bench [megabytes]   (default 120)
find_package(ZLIB REQUIRED)
add_executable(mszip_bench ${CMAKE_CURRENT_SOURCE_DIR}/mszip_bench.cpp)
target_link_libraries(mszip_bench PRIVATE vorlax_cabinet ZLIB::ZLIB)

# mszip_kind_bench: one kind of the same data at a time, for measuring single changes.
# Run: build/<dir>/bench/mszip_kind_bench KIND [megabytes [rounds]]
add_executable(mszip_kind_bench ${CMAKE_CURRENT_SOURCE_DIR}/mszip_kind_bench.cpp)
target_link_libraries(mszip_kind_bench PRIVATE vorlax_cabinet ZLIB::ZLIB)

# mszip_peer_bench: ours, zlib and libdeflate on blocks compressed independently (libdeflate takes
# no preset dictionary). Built when libdeflate's headers are installed (Debian: libdeflate-dev).
# Run: build/<dir>/bench/mszip_peer_bench [megabytes per kind [rounds]]
find_path(LIBDEFLATE_INCLUDE_DIR libdeflate.h)
find_library(LIBDEFLATE_LIBRARY deflate)
if(LIBDEFLATE_INCLUDE_DIR AND LIBDEFLATE_LIBRARY)
  add_executable(mszip_peer_bench ${CMAKE_CURRENT_SOURCE_DIR}/mszip_peer_bench.cpp)
  target_include_directories(mszip_peer_bench PRIVATE ${LIBDEFLATE_INCLUDE_DIR})
  target_link_libraries(mszip_peer_bench PRIVATE vorlax_cabinet ZLIB::ZLIB ${LIBDEFLATE_LIBRARY})
endif()

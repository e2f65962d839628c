# extraction_bench: our extraction (ExtractCabinet on the POSIX seam) against libmspack's cabinet
# decompressor and against the cabextract and `gcab -x` commands, on the same generated cabinet
# of at least 100 MB. Run: build/<dir>/bench/extraction_bench [megabytes] [work folder]
find_library(VORLAX_MSPACK_LIBRARY mspack)
find_path(VORLAX_MSPACK_INCLUDE mspack.h)
find_program(VORLAX_BENCH_CABEXTRACT cabextract)
find_program(VORLAX_BENCH_GCAB gcab)
if(NOT VORLAX_MSPACK_LIBRARY OR NOT VORLAX_MSPACK_INCLUDE OR NOT VORLAX_BENCH_CABEXTRACT OR NOT VORLAX_BENCH_GCAB)
  message(WARNING "libmspack-dev, cabextract or gcab missing: extraction_bench is not built")
  return()
endif()
add_executable(extraction_bench ${CMAKE_CURRENT_SOURCE_DIR}/extraction_bench.cpp)
target_include_directories(extraction_bench PRIVATE ${VORLAX_MSPACK_INCLUDE} ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR})
target_link_libraries(extraction_bench PRIVATE vorlax_packer vorlax_cabinet vorlax_driver vorlax_config
                      vorlax_platform_posix ${VORLAX_MSPACK_LIBRARY})
target_compile_definitions(extraction_bench PRIVATE VORLAX_BENCH_CABEXTRACT="${VORLAX_BENCH_CABEXTRACT}"
                           VORLAX_BENCH_GCAB="${VORLAX_BENCH_GCAB}")

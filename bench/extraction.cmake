# extraction_bench: our extraction (ExtractCabinet on the POSIX seam) against libmspack's cabinet
# decompressor and against the cabextract and `gcab -x` commands, on the same generated cabinet
# of at least 100 MB. Run: build/<dir>/bench/extraction_bench [megabytes] [work folder]
#
# Beside them it runs extraction_stub_flags_bench: the same extraction with the cabinet library
# compiled as the installer stub compiles it (-Os, then VORLAX_EXTRACTION_SPEED_OPTIONS), so the
# speed a player sees is measured too. That copy of the library goes in as object files, which
# define every cabinet symbol before the linker looks into libvorlax_cabinet.a.
find_library(VORLAX_MSPACK_LIBRARY mspack)
find_path(VORLAX_MSPACK_INCLUDE mspack.h)
find_program(VORLAX_BENCH_CABEXTRACT cabextract)
find_program(VORLAX_BENCH_GCAB gcab)
if(NOT VORLAX_MSPACK_LIBRARY OR NOT VORLAX_MSPACK_INCLUDE OR NOT VORLAX_BENCH_CABEXTRACT OR NOT VORLAX_BENCH_GCAB)
  message(WARNING "libmspack-dev, cabextract or gcab missing: extraction_bench is not built")
  return()
endif()
file(GLOB stub_flags_cabinet_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/cabinet/*.cpp)
add_library(vorlax_cabinet_stub_flags OBJECT ${stub_flags_cabinet_sources})
target_include_directories(vorlax_cabinet_stub_flags PRIVATE ${CMAKE_SOURCE_DIR}/src)
target_compile_options(vorlax_cabinet_stub_flags PRIVATE -Os ${VORLAX_EXTRACTION_SPEED_OPTIONS})

foreach(bench extraction_bench extraction_stub_flags_bench)
  add_executable(${bench} ${CMAKE_CURRENT_SOURCE_DIR}/extraction_bench.cpp)
  target_include_directories(${bench} PRIVATE ${VORLAX_MSPACK_INCLUDE} ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR})
  target_link_libraries(${bench} PRIVATE vorlax_packer vorlax_cabinet vorlax_driver vorlax_config
                        vorlax_platform_posix ${VORLAX_MSPACK_LIBRARY})
  target_compile_definitions(${bench} PRIVATE VORLAX_BENCH_CABEXTRACT="${VORLAX_BENCH_CABEXTRACT}"
                             VORLAX_BENCH_GCAB="${VORLAX_BENCH_GCAB}")
endforeach()
target_sources(extraction_stub_flags_bench PRIVATE $<TARGET_OBJECTS:vorlax_cabinet_stub_flags>)
target_compile_definitions(extraction_stub_flags_bench PRIVATE VORLAX_BENCH_STUB_FLAGS_ONLY=1)
target_compile_definitions(extraction_bench PRIVATE
                           VORLAX_BENCH_STUB_FLAGS="$<TARGET_FILE:extraction_stub_flags_bench>")
add_dependencies(extraction_bench extraction_stub_flags_bench)
target_compile_options(extraction_stub_flags_bench PRIVATE -Wno-unused-function)  # the peers it does not run

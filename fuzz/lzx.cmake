# lzx_fuzz: the LZX decoder over arbitrary frames (layout in fuzz/lzx_fuzz_input.h).
# Seeds: fuzz/corpus/lzx, written by the make_lzx_seeds program from our LZX encoder.
# Run: build/<dir>/fuzz/lzx_fuzz -max_total_time=60 fuzz/corpus/lzx
file(GLOB lzx_fuzz_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/cabinet/lzx_*.cpp)
if(VORLAX_FUZZERS)
  add_executable(lzx_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/lzx_fuzz.cpp ${lzx_fuzz_sources})
  target_include_directories(lzx_fuzz PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR})
  target_compile_options(lzx_fuzz PRIVATE -fsanitize=fuzzer,address,undefined -fno-omit-frame-pointer)
  target_link_options(lzx_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
endif()

add_executable(make_lzx_seeds ${CMAKE_CURRENT_SOURCE_DIR}/make_lzx_seeds.cpp)
target_include_directories(make_lzx_seeds PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}
  ${CMAKE_SOURCE_DIR}/tests/unit)
target_link_libraries(make_lzx_seeds PRIVATE vorlax_packer vorlax_cabinet)

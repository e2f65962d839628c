# cabinet_fuzz: the cabinet reader with its decoders over an arbitrary cabinet, walked twice on one
# reader as ExtractCabinet does, under libFuzzer with AddressSanitizer and UndefinedBehaviorSanitizer.
# The cabinet sources are compiled into the target so that they are instrumented too.
# Seeds: build/<dir>/fuzz/make_cabinet_seeds DIR writes small cabinets made by our writer.
# Run: build/<dir>/fuzz/cabinet_fuzz -max_total_time=60 DIR
file(GLOB cabinet_fuzz_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/cabinet/*.cpp)
if(VORLAX_FUZZERS)
  list(FILTER cabinet_fuzz_sources EXCLUDE REGEX "extraction\\.cpp$")
  add_executable(cabinet_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/cabinet_fuzz.cpp ${cabinet_fuzz_sources})
  target_include_directories(cabinet_fuzz PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests/unit)
  target_compile_options(cabinet_fuzz PRIVATE -fsanitize=fuzzer,address,undefined -fno-omit-frame-pointer)
  target_link_options(cabinet_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
endif()

add_executable(make_cabinet_seeds ${CMAKE_CURRENT_SOURCE_DIR}/make_cabinet_seeds.cpp)
target_link_libraries(make_cabinet_seeds PRIVATE vorlax_packer)

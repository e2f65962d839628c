# mszip_fuzz: the MSZIP decoder under libFuzzer with AddressSanitizer and UndefinedBehaviorSanitizer,
# its sources compiled into the target so that they are instrumented. Seeds: fuzz/corpus/mszip
# (written by fuzz/make_mszip_seeds.py). Run: build/<dir>/fuzz/mszip_fuzz fuzz/corpus/mszip
file(GLOB mszip_fuzz_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/cabinet/mszip_*.cpp)
if(VORLAX_FUZZERS)
  add_executable(mszip_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/mszip_fuzz.cpp ${mszip_fuzz_sources})
  target_include_directories(mszip_fuzz PRIVATE ${CMAKE_SOURCE_DIR}/src)
  target_compile_options(mszip_fuzz PRIVATE -fsanitize=fuzzer,address,undefined -fno-omit-frame-pointer)
  target_link_options(mszip_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
endif()

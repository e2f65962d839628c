# quantum_fuzz: the Quantum decoder on arbitrary frames, and the Quantum encoder and decoder on
# arbitrary data (see the file's head for the input layout), under libFuzzer with AddressSanitizer
# and UndefinedBehaviorSanitizer. The Quantum sources are compiled into the target so that they
# are instrumented too. Run: build/<dir>/fuzz/quantum_fuzz -max_total_time=60
file(GLOB quantum_fuzz_cabinet_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/cabinet/quantum_*.cpp)
file(GLOB quantum_fuzz_packer_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/packer/quantum_*.cpp)
if(VORLAX_FUZZERS)
  add_executable(quantum_fuzz
    ${CMAKE_CURRENT_SOURCE_DIR}/quantum_fuzz.cpp
    ${quantum_fuzz_cabinet_sources}
    ${quantum_fuzz_packer_sources})
  target_include_directories(quantum_fuzz PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR})
  target_compile_options(quantum_fuzz PRIVATE -fsanitize=fuzzer,address,undefined -fno-omit-frame-pointer)
  target_link_options(quantum_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
endif()

# Seeds: build/<dir>/fuzz/make_quantum_seeds DIR writes decoding-mode inputs made by the encoder.
add_executable(make_quantum_seeds
  ${CMAKE_CURRENT_SOURCE_DIR}/make_quantum_seeds.cpp
  ${quantum_fuzz_cabinet_sources}
  ${quantum_fuzz_packer_sources})
target_include_directories(make_quantum_seeds PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR})

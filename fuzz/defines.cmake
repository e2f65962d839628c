# defines_fuzz: ExpandDefines with every define command on the fake system (registry values and
# files to find), under libFuzzer with AddressSanitizer and UndefinedBehaviorSanitizer.
# Seeds: fuzz/corpus/defines (written by fuzz/make_defines_seeds.py).
# Run: build/<dir>/fuzz/defines_fuzz -max_total_time=60 fuzz/corpus/defines
file(GLOB defines_fuzz_config_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/config/*.cpp)
if(VORLAX_FUZZERS)
  add_executable(defines_fuzz
    ${CMAKE_CURRENT_SOURCE_DIR}/defines_fuzz.cpp
    ${defines_fuzz_config_sources}
    ${CMAKE_SOURCE_DIR}/tests/unit/support/fake_system.cpp
    ${CMAKE_SOURCE_DIR}/src/actions/registry_key_path.cpp
    ${CMAKE_SOURCE_DIR}/src/driver/fatal_error.cpp
    ${CMAKE_SOURCE_DIR}/src/driver/windows_version.cpp
    ${CMAKE_SOURCE_DIR}/src/driver/installer_state.cpp
    ${CMAKE_SOURCE_DIR}/src/base/text.cpp)
  target_include_directories(defines_fuzz PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests/unit)
  target_compile_options(defines_fuzz PRIVATE -fsanitize=fuzzer,address,undefined -fno-omit-frame-pointer)
  target_link_options(defines_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
endif()

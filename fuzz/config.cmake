# config_fuzz: the XML reader, the defines, properties and install configuration readers and
# ExpandDefines under libFuzzer with AddressSanitizer. The configuration sources are compiled
# into the target itself so that they are instrumented too. Seeds: fuzz/corpus/config (written
# by fuzz/make_config_seeds.py). Run: build/<dir>/fuzz/config_fuzz fuzz/corpus/config
file(GLOB config_fuzz_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/config/*.cpp)
if(VORLAX_FUZZERS)
  add_executable(config_fuzz
    ${CMAKE_CURRENT_SOURCE_DIR}/config_fuzz.cpp
    ${config_fuzz_sources}
    ${CMAKE_SOURCE_DIR}/src/base/text.cpp
    ${CMAKE_SOURCE_DIR}/src/driver/installer_state.cpp
    ${CMAKE_SOURCE_DIR}/src/driver/fatal_error.cpp
    ${CMAKE_SOURCE_DIR}/src/actions/registry_key_path.cpp
    ${CMAKE_SOURCE_DIR}/src/driver/windows_version.cpp
    ${CMAKE_SOURCE_DIR}/src/platform/posix/posix_system.cpp)
  target_include_directories(config_fuzz PRIVATE ${CMAKE_SOURCE_DIR}/src)
  target_compile_options(config_fuzz PRIVATE -fsanitize=fuzzer,address,undefined -fno-omit-frame-pointer)
  target_link_options(config_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
endif()

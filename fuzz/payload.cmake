# payload_fuzz: the attached payload walk (marker scan, backwards record walk, cabinet copy) over
# arbitrary installer files held by the fake system. Seeds: fuzz/corpus/payload (written by fuzz/make_payload_seeds.py).
# Run: build/<dir>/fuzz/payload_fuzz -max_total_time=60 fuzz/corpus/payload
file(GLOB payload_fuzz_config_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/config/*.cpp)
if(VORLAX_FUZZERS)
  add_executable(payload_fuzz
    ${CMAKE_CURRENT_SOURCE_DIR}/payload_fuzz.cpp
    ${CMAKE_SOURCE_DIR}/tests/unit/support/fake_system.cpp
    ${CMAKE_SOURCE_DIR}/src/driver/payload.cpp
    ${CMAKE_SOURCE_DIR}/src/driver/folders.cpp
    ${CMAKE_SOURCE_DIR}/src/driver/fatal_error.cpp
    ${CMAKE_SOURCE_DIR}/src/actions/registry_key_path.cpp
    ${CMAKE_SOURCE_DIR}/src/driver/windows_version.cpp
    ${CMAKE_SOURCE_DIR}/src/driver/installer_state.cpp
    ${CMAKE_SOURCE_DIR}/src/base/text.cpp)
  target_sources(payload_fuzz PRIVATE ${payload_fuzz_config_sources})
  target_include_directories(payload_fuzz PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests/unit)
  target_compile_options(payload_fuzz PRIVATE -fsanitize=fuzzer,address,undefined -fno-omit-frame-pointer)
  target_link_options(payload_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
endif()

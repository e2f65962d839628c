# uninstall_log_fuzz: the uninstaller's log reader and safety rules under libFuzzer with
# AddressSanitizer and UndefinedBehaviorSanitizer, their sources compiled into the target so that
# they are instrumented (with the installer state they reach, as config_fuzz has it). Seeds: the
# Wine scenarios' logs in tests/wine/product/expected/ and tests/wine/product/uninstall/.
# Run: build/<dir>/fuzz/uninstall_log_fuzz CORPUS_DIR tests/wine/product/expected tests/wine/product/uninstall
file(GLOB uninstall_log_fuzz_config CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/config/*.cpp)
if(VORLAX_FUZZERS)
  add_executable(uninstall_log_fuzz
    ${CMAKE_CURRENT_SOURCE_DIR}/uninstall_log_fuzz.cpp
    ${CMAKE_SOURCE_DIR}/src/uninstall/uninstall_log.cpp
    ${CMAKE_SOURCE_DIR}/src/uninstall/removal_safety.cpp
    ${CMAKE_SOURCE_DIR}/src/actions/registry_key_path.cpp
    ${uninstall_log_fuzz_config}
    ${CMAKE_SOURCE_DIR}/src/base/text.cpp
    ${CMAKE_SOURCE_DIR}/src/driver/installer_state.cpp
    ${CMAKE_SOURCE_DIR}/src/driver/fatal_error.cpp
    ${CMAKE_SOURCE_DIR}/src/driver/windows_version.cpp
    ${CMAKE_SOURCE_DIR}/src/platform/posix/posix_system.cpp)
  target_include_directories(uninstall_log_fuzz PRIVATE ${CMAKE_SOURCE_DIR}/src)
  target_compile_options(uninstall_log_fuzz PRIVATE -fsanitize=fuzzer,address,undefined -fno-omit-frame-pointer)
  target_link_options(uninstall_log_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
endif()

# LZX differential tests: cabinets with LZX folders from our writer, from `vorlax cab` and
# assembled around our encoder's frames, extracted by vorlax, cabextract and 7zz.
add_executable(differential_lzx ${CMAKE_CURRENT_LIST_DIR}/lzx_differential_test.cpp)
target_link_libraries(differential_lzx PRIVATE vorlax_packer vorlax_cabinet vorlax_base GTest::gtest_main)
target_include_directories(differential_lzx PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}
  ${CMAKE_SOURCE_DIR}/tests/unit)
target_compile_definitions(differential_lzx PRIVATE
  VORLAX_TOOL="$<TARGET_FILE:vorlax>"
  VORLAX_CABEXTRACT="${VORLAX_CABEXTRACT}"
  VORLAX_7ZZ="${VORLAX_7ZZ}"
  VORLAX_LZX_WORK="${CMAKE_CURRENT_BINARY_DIR}/lzx_work")
add_dependencies(differential_lzx vorlax)
gtest_discover_tests(differential_lzx DISCOVERY_TIMEOUT 60 PROPERTIES LABELS differential TIMEOUT 300)

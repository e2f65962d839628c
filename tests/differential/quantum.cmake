# Quantum differential tests: cabinets with Quantum folders from our writer and from
# `vorlax cab --compress quantum:N`, extracted by vorlax, cabextract and 7zz.
add_executable(differential_quantum ${CMAKE_CURRENT_LIST_DIR}/quantum_differential_test.cpp)
target_link_libraries(differential_quantum PRIVATE vorlax_packer vorlax_cabinet vorlax_base GTest::gtest_main)
target_include_directories(differential_quantum PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR})
target_compile_definitions(differential_quantum PRIVATE
  VORLAX_TOOL="$<TARGET_FILE:vorlax>"
  VORLAX_CABEXTRACT="${VORLAX_CABEXTRACT}"
  VORLAX_7ZZ="${VORLAX_7ZZ}"
  VORLAX_QUANTUM_WORK="${CMAKE_CURRENT_BINARY_DIR}/quantum_work")
add_dependencies(differential_quantum vorlax)
gtest_discover_tests(differential_quantum DISCOVERY_TIMEOUT 60 PROPERTIES LABELS differential TIMEOUT 300)

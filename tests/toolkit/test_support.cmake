# The widget tests' shared fixture (one QApplication, the source folders, a recording window).
# Every test folder that links talvik_test_support includes this file.
include_guard(GLOBAL)
add_library(talvik_test_support OBJECT ${CMAKE_CURRENT_LIST_DIR}/test_support.cpp)
talvik_target_defaults(talvik_test_support)
set_target_properties(talvik_test_support PROPERTIES AUTOMOC ON)
target_link_libraries(talvik_test_support PUBLIC talvik_toolkit Qt6::Test GTest::gtest)
target_compile_definitions(talvik_test_support PRIVATE TALVIK_SOURCE_DIR="${PROJECT_SOURCE_DIR}")

# Tests of the filter expression language: the language on its own, its
# functions, and expressions evaluated against real tables.
zakaz_add_gtest(dbf_expression_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/table_bytes.cc
    ${CMAKE_CURRENT_LIST_DIR}/exp_handler_test.cc
    ${CMAKE_CURRENT_LIST_DIR}/exp_functions_test.cc
    ${CMAKE_CURRENT_LIST_DIR}/exp_table_test.cc
  LIBS zakaz_dbf_table zakaz_sample_price_list zakaz_test_support)

# dbftool count and dump --where, run as the program.
zakaz_add_gtest(dbf_expression_tool_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/exp_dbftool_test.cc
  LIBS zakaz_dbftool_commands zakaz_test_support)
add_dependencies(dbf_expression_tool_test dbftool)
target_compile_definitions(dbf_expression_tool_test PRIVATE DBFTOOL_PATH="$<TARGET_FILE:dbftool>")

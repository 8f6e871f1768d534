# Tests of the filter expression language: the language on its own, its
# functions, and expressions evaluated against real tables.
zakaz_add_gtest(dbf_expression_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/table_bytes.cc
    ${CMAKE_CURRENT_LIST_DIR}/exp_handler_test.cc
    ${CMAKE_CURRENT_LIST_DIR}/exp_functions_test.cc
    ${CMAKE_CURRENT_LIST_DIR}/exp_table_test.cc
  LIBS zakaz_dbf_expr zakaz_dbf zakaz_sample_price_list zakaz_test_support)

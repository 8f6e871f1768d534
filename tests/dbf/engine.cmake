# Tests of the table engine: files, records, columns, code pages, the
# inspector tool, and reading and writing alongside independent tools.
zakaz_add_gtest(dbf_engine_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/table_bytes.cc
    ${CMAKE_CURRENT_LIST_DIR}/dbf_file_test.cc
    ${CMAKE_CURRENT_LIST_DIR}/dbf_columns_test.cc
    ${CMAKE_CURRENT_LIST_DIR}/code_page_test.cc
    ${CMAKE_CURRENT_LIST_DIR}/values_test.cc
    ${CMAKE_CURRENT_LIST_DIR}/interop_test.cc
    ${CMAKE_CURRENT_LIST_DIR}/dbftool_test.cc
  LIBS zakaz_dbf_table zakaz_sample_price_list zakaz_test_support)
add_dependencies(dbf_engine_test dbftool)
target_compile_definitions(dbf_engine_test PRIVATE DBFTOOL_PATH="$<TARGET_FILE:dbftool>")

zakaz_add_gtest(dbf_dataset_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/huge_set_test.cc
    ${CMAKE_CURRENT_LIST_DIR}/dbf_cursor_test.cc
    ${CMAKE_CURRENT_LIST_DIR}/dataset_filter_test.cc
    ${CMAKE_CURRENT_LIST_DIR}/dataset_kept_state_test.cc
    ${CMAKE_CURRENT_LIST_DIR}/table_dataset_test.cc
    ${CMAKE_CURRENT_LIST_DIR}/table_copy_test.cc
    ${CMAKE_CURRENT_LIST_DIR}/dataset_view_test.cc
    ${CMAKE_CURRENT_LIST_DIR}/dataset_row_window_test.cc
    ${CMAKE_CURRENT_LIST_DIR}/memory_file_system_test.cc
  LIBS zakaz_dbf_dataset zakaz_sample_price_list zakaz_test_support)

# dbftool copy, run as the program.
zakaz_add_gtest(dbf_dataset_tool_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/dataset_dbftool_test.cc
  LIBS zakaz_dbf_dataset zakaz_sample_price_list zakaz_test_support)
add_dependencies(dbf_dataset_tool_test dbftool)
target_compile_definitions(dbf_dataset_tool_test PRIVATE DBFTOOL_PATH="$<TARGET_FILE:dbftool>")

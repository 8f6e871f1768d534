# Dataset area: the cursor layer of the table object, the dataset with its
# fields, row window and views, filtering with its match set, and copying.
add_library(zakaz_dbf_dataset STATIC
  ${CMAKE_CURRENT_LIST_DIR}/huge_set.cc
  ${CMAKE_CURRENT_LIST_DIR}/dbf_cursor.cc
  ${CMAKE_CURRENT_LIST_DIR}/dataset_table.cc
  ${CMAKE_CURRENT_LIST_DIR}/dataset_fields.cc
  ${CMAKE_CURRENT_LIST_DIR}/dataset_cursor.cc
  ${CMAKE_CURRENT_LIST_DIR}/table_dataset.cc
  ${CMAKE_CURRENT_LIST_DIR}/dataset_scan.cc
  ${CMAKE_CURRENT_LIST_DIR}/dbf_builder.cc
  ${CMAKE_CURRENT_LIST_DIR}/table_copy.cc
)
target_include_directories(zakaz_dbf_dataset PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(zakaz_dbf_dataset PUBLIC zakaz_dbf)
if(TARGET zakaz_dbf_expr)
  target_link_libraries(zakaz_dbf_dataset PUBLIC zakaz_dbf_expr)
endif()

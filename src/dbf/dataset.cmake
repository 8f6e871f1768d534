# Dataset area: the cursor layer of the table object, the dataset with its
# fields, row window and views, filtering with its match set, and copying.
add_library(zakaz_dbf_dataset STATIC
  ${CMAKE_CURRENT_LIST_DIR}/huge_set.cc
)
target_include_directories(zakaz_dbf_dataset PUBLIC ${CMAKE_SOURCE_DIR}/src)

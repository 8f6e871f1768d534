# The table engine: files, header and records, columns, code pages.
add_library(zakaz_dbf STATIC
  ${CMAKE_CURRENT_LIST_DIR}/disk_file.cc
  ${CMAKE_CURRENT_LIST_DIR}/dbf_file.cc
  ${CMAKE_CURRENT_LIST_DIR}/dbf_columns.cc
  ${CMAKE_CURRENT_LIST_DIR}/code_page.cc
  ${CMAKE_CURRENT_LIST_DIR}/number_text.cc
  ${CMAKE_CURRENT_LIST_DIR}/julian_day.cc)
target_include_directories(zakaz_dbf PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(zakaz_dbf PUBLIC zakaz_common)

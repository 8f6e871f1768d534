# Expression area: the filter expression language (tokenizer, tree, values,
# operators, functions) and its link to the table engine's columns.
add_library(zakaz_dbf_expr STATIC
  ${CMAKE_CURRENT_LIST_DIR}/exp_value.cc
  ${CMAKE_CURRENT_LIST_DIR}/exp_text.cc
  ${CMAKE_CURRENT_LIST_DIR}/exp_nodes.cc
  ${CMAKE_CURRENT_LIST_DIR}/exp_functions.cc
  ${CMAKE_CURRENT_LIST_DIR}/exp_parser.cc
  ${CMAKE_CURRENT_LIST_DIR}/exp_handler.cc
  ${CMAKE_CURRENT_LIST_DIR}/exp_dbf_link.cc
)
target_include_directories(zakaz_dbf_expr PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(zakaz_dbf_expr PUBLIC zakaz_common)
if(TARGET zakaz_dbf)
  target_link_libraries(zakaz_dbf_expr PUBLIC zakaz_dbf)
endif()

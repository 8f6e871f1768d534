# Compiles and evaluates arbitrary texts against a small price list.
zakaz_add_fuzzer(dbf_expression_fuzzer
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/expression_fuzzer.cc
  LIBS zakaz_dbf_table zakaz_sample_price_list)

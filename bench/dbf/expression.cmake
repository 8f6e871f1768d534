# Evaluation speed of the two system filters over a 100,000-row price list.
zakaz_add_benchmark(dbf_expression_bench
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/expression_bench.cc
  LIBS zakaz_dbf_table zakaz_sample_price_list)

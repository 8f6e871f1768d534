# The table engine on a 100,000-row sample price list (figures in
# bench/README.md, "Table engine"; engine_compare.sh gives the reference
# figures of cat and python3-dbfread on the same file).
zakaz_add_benchmark(dbf_engine_bench
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/engine_bench.cc
  LIBS zakaz_dbf_table zakaz_sample_price_list)

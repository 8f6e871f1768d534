# The dataset over a 100,000-row price list: opening, walking, setting the two
# filters, posting a row, and the copy walk that saves an order.
zakaz_add_benchmark(dbf_dataset_bench
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/dataset_bench.cc
  LIBS zakaz_dbf_dataset zakaz_sample_price_list)

# Arbitrary bytes opened as a dataset: walked, filtered, edited, copied.
zakaz_add_fuzzer(dbf_dataset_fuzzer
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/dataset_fuzzer.cc
  LIBS zakaz_dbf_dataset)

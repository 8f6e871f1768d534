# Arbitrary bytes opened as a table and read through every getter.
zakaz_add_fuzzer(dbf_table_fuzzer
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/dbf_table_fuzzer.cc
  LIBS zakaz_dbf_table)

zakaz_add_gtest(dbf_dataset_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/huge_set_test.cc
  LIBS zakaz_dbf_dataset zakaz_test_support)

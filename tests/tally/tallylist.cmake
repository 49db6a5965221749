# The tally list: table and text form, record keeping, file store, window.
bloomzap_gtest(tally_table_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tally_table_test.cpp
  LIBS bloomzap_tally)
bloomzap_gtest(tally_records_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tally_records_test.cpp ${CMAKE_CURRENT_LIST_DIR}/tally_fakes.h
  LIBS bloomzap_tally)
bloomzap_gtest(tally_store_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tally_store_test.cpp ${CMAKE_CURRENT_LIST_DIR}/tally_fakes.h
  LIBS bloomzap_tally)
bloomzap_qttest(tallylistform_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tallylistform_test.cpp ${CMAKE_CURRENT_LIST_DIR}/tally_fakes.h
  LIBS bloomzap_tallylist)
set_target_properties(tallylistform_test PROPERTIES AUTOMOC ON)

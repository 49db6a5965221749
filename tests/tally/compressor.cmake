bloomzap_gtest(bloomzap_compressor_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/Lzrw1BlockTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Lzrw1ContainerTest.cpp
  LIBS bloomzap_compressor)

# The file compressor: plain C++, no Qt.
add_library(bloomzap_compressor STATIC
  ${CMAKE_CURRENT_LIST_DIR}/LZRW1.cpp
  ${CMAKE_CURRENT_LIST_DIR}/LZRW1KH.cpp
  ${CMAKE_CURRENT_LIST_DIR}/LZH.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Lzrw1Reader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Lzrw1Writer.cpp)
target_include_directories(bloomzap_compressor PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_compile_features(bloomzap_compressor PUBLIC cxx_std_20)
set_target_properties(bloomzap_compressor PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)

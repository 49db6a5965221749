bloomzap_gtest(bloomzap_compressor_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/Lzrw1BlockTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Lzrw1ContainerTest.cpp
  LIBS bloomzap_compressor)

# The command-line tool, run as a player would run it.
if(TARGET lzrw1)
  bloomzap_gtest(bloomzap_lzrw1_tool_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/Lzrw1ToolTest.cpp
    LIBS)
  target_compile_definitions(bloomzap_lzrw1_tool_tests PRIVATE LZRW1_TOOL="$<TARGET_FILE:lzrw1>")
  add_dependencies(bloomzap_lzrw1_tool_tests lzrw1)
endif()

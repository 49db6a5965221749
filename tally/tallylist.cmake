# The tally list: its table, text form, record keeping and file store (no Qt), and its window.
add_library(bloomzap_tally STATIC
  ${CMAKE_CURRENT_LIST_DIR}/TallyTable.h ${CMAKE_CURRENT_LIST_DIR}/TallyTable.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TallyText.h ${CMAKE_CURRENT_LIST_DIR}/TallyText.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TallyDisplay.h
  ${CMAKE_CURRENT_LIST_DIR}/TallyCalendar.h
  ${CMAKE_CURRENT_LIST_DIR}/TallyDialogs.h
  ${CMAKE_CURRENT_LIST_DIR}/TallyRecords.h ${CMAKE_CURRENT_LIST_DIR}/TallyRecords.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TallyDisk.h
  ${CMAKE_CURRENT_LIST_DIR}/TallyLocalDisk.h ${CMAKE_CURRENT_LIST_DIR}/TallyLocalDisk.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TallyStore.h ${CMAKE_CURRENT_LIST_DIR}/TallyStore.cpp
)
target_include_directories(bloomzap_tally PUBLIC ${CMAKE_CURRENT_LIST_DIR} ${PROJECT_SOURCE_DIR})
target_link_libraries(bloomzap_tally PUBLIC bloomzap_compressor)

# The window, Ttallylist, with the Qt date and message boxes it binds.
add_library(bloomzap_tallylist STATIC
  ${CMAKE_CURRENT_LIST_DIR}/tallylistform.h ${CMAKE_CURRENT_LIST_DIR}/tallylistform.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TallySystemCalendar.h ${CMAKE_CURRENT_LIST_DIR}/TallySystemCalendar.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TallyMessageBoxes.h ${CMAKE_CURRENT_LIST_DIR}/TallyMessageBoxes.cpp
)
target_link_libraries(bloomzap_tallylist PUBLIC bloomzap_tally bloomzap_widgets Qt6::Widgets)
set_target_properties(bloomzap_tallylist PROPERTIES AUTOMOC ON)

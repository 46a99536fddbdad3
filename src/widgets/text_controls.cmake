# Edits, memos, check lists, check boxes and the scroll bar they share.
target_sources(tv_widgets PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/scroll_bar.cpp
    ${CMAKE_CURRENT_LIST_DIR}/edit.cpp
    ${CMAKE_CURRENT_LIST_DIR}/memo.cpp
    ${CMAKE_CURRENT_LIST_DIR}/check_list_box.cpp
    ${CMAKE_CURRENT_LIST_DIR}/check_box.cpp)

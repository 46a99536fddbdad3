tolvane_add_test(text_controls_test
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/edit_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/memo_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/check_list_box_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/check_box_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/activation_test.cpp
    LIBS tv_test_support)
# The gallery test leaves its picture in the build folder.
target_compile_definitions(text_controls_test PRIVATE TV_GALLERY_DIR="${CMAKE_BINARY_DIR}")

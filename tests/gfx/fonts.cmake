# font tests
tolvane_add_test(font_test
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/font_utf8_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/font_metrics_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/font_fallback_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/font_draw_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/font_sample_test.cpp
    LIBS tv_gfx)

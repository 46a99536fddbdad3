# font tests
tolvane_add_test(font_test
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/font_utf8_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/font_metrics_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/font_fallback_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/font_draw_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/font_sample_test.cpp
    LIBS tv_gfx)
# The sample sheets are for a person to look at; they go beside the test, never into the
# folder it happens to run from.
target_compile_definitions(font_test PRIVATE TOLVANE_SAMPLE_SHEET_DIR="${CMAKE_CURRENT_BINARY_DIR}")
add_test(NAME font_sample_sheets_stay_in_the_build_folder
         COMMAND bash -c "rm -f '${CMAKE_CURRENT_BINARY_DIR}/font_sample_sheet_substitutes.png' && \
                          cd '${PROJECT_SOURCE_DIR}' && \
                          '$<TARGET_FILE:font_test>' --gtest_filter='Sheets/*' >/dev/null && \
                          ! ls font_sample_sheet*.png 2>/dev/null && \
                          test -s '${CMAKE_CURRENT_BINARY_DIR}/font_sample_sheet_substitutes.png'")
set_tests_properties(font_sample_sheets_stay_in_the_build_folder
                     PROPERTIES ENVIRONMENT "TOLVANE_SOURCE_DIR=${PROJECT_SOURCE_DIR}")

# GDI text (the Windows build's FontEngine).
target_sources(tv_gfx PRIVATE ${CMAKE_CURRENT_LIST_DIR}/font_gdi.cpp)
target_link_libraries(tv_gfx PRIVATE tv_win32_text gdi32)

# FreeType and fontconfig text.
target_sources(tv_gfx PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/font_engine.cpp
    ${CMAKE_CURRENT_LIST_DIR}/font_face.cpp
    ${CMAKE_CURRENT_LIST_DIR}/font_faces.cpp
    ${CMAKE_CURRENT_LIST_DIR}/font_fontconfig.cpp)
target_link_libraries(tv_gfx PRIVATE Freetype::Freetype Fontconfig::Fontconfig)

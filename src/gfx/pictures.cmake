# Picture loaders and the PNG writer.
target_sources(tv_gfx PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/picture_dib.cpp
    ${CMAKE_CURRENT_LIST_DIR}/picture_bmp.cpp
    ${CMAKE_CURRENT_LIST_DIR}/picture_icon.cpp
    ${CMAKE_CURRENT_LIST_DIR}/picture_jpeg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/picture_load.cpp
    ${CMAKE_CURRENT_LIST_DIR}/png.cpp)
target_link_libraries(tv_gfx PRIVATE JPEG::JPEG PNG::PNG)

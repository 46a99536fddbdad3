# Picture loaders and the PNG writer.
target_sources(tv_gfx PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/picture_dib.cpp
    ${CMAKE_CURRENT_LIST_DIR}/picture_bmp.cpp
    ${CMAKE_CURRENT_LIST_DIR}/picture_icon.cpp
    ${CMAKE_CURRENT_LIST_DIR}/picture_load.cpp)
if(WIN32)
    # JPEG and PNG through the platform's own imaging (libjpeg and libpng are not built
    # for Windows here).
    target_sources(tv_gfx PRIVATE ${CMAKE_CURRENT_LIST_DIR}/win32/picture_imaging.cpp)
    target_link_libraries(tv_gfx PRIVATE ole32 oleaut32 uuid windowscodecs)
else()
    target_sources(tv_gfx PRIVATE
        ${CMAKE_CURRENT_LIST_DIR}/picture_jpeg.cpp
        ${CMAKE_CURRENT_LIST_DIR}/png.cpp)
    target_link_libraries(tv_gfx PRIVATE JPEG::JPEG PNG::PNG)
endif()

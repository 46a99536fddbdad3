# Picture loaders, the PNG writer and the committed artwork.
tolvane_add_test(picture_loader_test
    SOURCES picture_bmp_test.cpp picture_icon_test.cpp picture_jpeg_png_test.cpp
    LIBS tv_gfx JPEG::JPEG PNG::PNG)
tolvane_add_test(picture_artwork_test
    SOURCES picture_artwork_test.cpp picture_fuzz_test.cpp
    LIBS tv_gfx)
target_compile_definitions(picture_artwork_test PRIVATE
    TOLVANE_SOURCE_DIR_DEFAULT="${PROJECT_SOURCE_DIR}")

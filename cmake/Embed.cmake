# tolvane_embed(TARGET SYMBOL FILE...) compiles files into the target as byte arrays.
# Each file becomes an entry of a table looked up by its file name (see resources/embedded.h).
function(tolvane_embed target)
    set(out "${CMAKE_CURRENT_BINARY_DIR}/${target}_embedded.cpp")
    string(REPLACE ";" "|" files "${ARGN}")
    add_custom_command(
        OUTPUT "${out}"
        COMMAND ${CMAKE_COMMAND} -DOUT=${out} "-DFILES=${files}" -P ${PROJECT_SOURCE_DIR}/cmake/EmbedWrite.cmake
        DEPENDS ${ARGN} ${PROJECT_SOURCE_DIR}/cmake/EmbedWrite.cmake
        COMMENT "Embedding resources into ${target}"
        VERBATIM)
    target_sources(${target} PRIVATE "${out}")
endfunction()

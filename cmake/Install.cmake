# Installation and the Debian package.
#
#   bin/tolvane
#   lib/tolvane/tolvane-atk.so                                   the accessibility module
#   share/applications/tolvane.desktop
#   share/icons/hicolor/{16x16,32x32,48x48}/apps/tolvane.png   made from tolvane.ico
#   share/man/man1/tolvane.1.gz                                  (plain when gzip is missing)
#
# Everything is in the component "tolvane", and the package takes only that component, so
# install rules that a helper library or a test might bring along never reach the package.

include(GNUInstallDirs)

set(TOLVANE_INSTALL_COMPONENT tolvane)
set(_tv_stage ${PROJECT_BINARY_DIR}/install-data)

install(TARGETS tolvane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
        COMPONENT ${TOLVANE_INSTALL_COMPONENT})
# The accessibility module, loaded from ../lib/tolvane beside the program.
install(TARGETS tolvane-atk LIBRARY DESTINATION lib/tolvane
        COMPONENT ${TOLVANE_INSTALL_COMPONENT})

# Icons: the theme wants one PNG per size with real transparency, so the icon's own images
# are written out at build time rather than kept as copies that could drift from the .ico.
set(_tv_ico ${PROJECT_SOURCE_DIR}/src/resources/pictures/tolvane.ico)
set(_tv_icon_outputs)
foreach(_tv_size 16 32 48)
    list(APPEND _tv_icon_outputs ${_tv_stage}/icons/${_tv_size}x${_tv_size}/apps/tolvane.png)
endforeach()
add_custom_command(
    OUTPUT ${_tv_icon_outputs}
    COMMAND tolvane-iconpng ${_tv_ico} ${_tv_stage}/icons
    DEPENDS tolvane-iconpng ${_tv_ico}
    COMMENT "Writing the icon theme PNGs of tolvane.ico"
    VERBATIM)
foreach(_tv_png IN LISTS _tv_icon_outputs)
    cmake_path(GET _tv_png PARENT_PATH _tv_dir)  # .../<n>x<n>/apps
    cmake_path(GET _tv_dir PARENT_PATH _tv_dir)
    cmake_path(GET _tv_dir FILENAME _tv_size_dir)
    install(FILES ${_tv_png}
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${_tv_size_dir}/apps
            COMPONENT ${TOLVANE_INSTALL_COMPONENT})
endforeach()

# The manual page, gzipped as Debian ships them; -n keeps the name and time stamp out, so
# the same page always gives the same bytes.
set(_tv_man ${PROJECT_SOURCE_DIR}/packaging/tolvane.1)
find_program(TOLVANE_GZIP gzip)
if(TOLVANE_GZIP)
    set(_tv_man_output ${_tv_stage}/man/tolvane.1.gz)
    add_custom_command(
        OUTPUT ${_tv_man_output}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${_tv_stage}/man
        COMMAND ${CMAKE_COMMAND} -E copy ${_tv_man} ${_tv_stage}/man/tolvane.1
        COMMAND ${TOLVANE_GZIP} -9nf ${_tv_stage}/man/tolvane.1
        DEPENDS ${_tv_man}
        COMMENT "Compressing the manual page"
        VERBATIM)
else()
    set(_tv_man_output ${_tv_man})
endif()
install(FILES ${_tv_man_output} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
        COMPONENT ${TOLVANE_INSTALL_COMPONENT})

install(FILES ${PROJECT_SOURCE_DIR}/packaging/tolvane.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
        COMPONENT ${TOLVANE_INSTALL_COMPONENT})

add_custom_target(tolvane-install-data ALL DEPENDS ${_tv_icon_outputs} ${_tv_man_output})

# ---------------------------------------------------------------------------------------
# The Debian package: cpack -G DEB in the build folder.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tolvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Tolvane developers")
set(CPACK_PACKAGE_CONTACT "Tolvane developers <dev@tolvane.example>")
set(CPACK_PACKAGE_HOMEPAGE_URL "http://tolvane.example/")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "small desktop utility with a Chinese interface")
# Wrapped by hand: the package tools show the lines as they are.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "Tolvane shows one skinned, borderless window with a Chinese interface:"
    "a sidebar of three sections, five tool pages, an About dialog and a"
    "message box for every result."
    ""
    "Its disk scan, network scan, virus-kill and browser repair runs are"
    "timed simulations that change nothing on the system. The browser title"
    "and logon notice settings are kept in the program's own registry files,"
    "and the Control Panel buttons open the matching settings pages of GNOME,"
    "KDE or XFCE when one is installed.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)  # debug information would carry the build folder's paths
set(CPACK_COMPONENTS_ALL ${TOLVANE_INSTALL_COMPONENT})
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)

set(CPACK_DEBIAN_PACKAGE_NAME tolvane)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Tolvane developers <dev@tolvane.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The linked libraries come from dpkg-shlibdeps; the fonts are what the windows draw
# their Chinese and Latin text with, found through fontconfig at run time.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-arphic-uming, xfonts-100dpi")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xfonts-wqy, fonts-liberation2")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)

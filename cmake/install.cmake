# The install tree and the Debian package: the show, the packer, the data files in
# share/v4npelva (where the program looks when they are not beside it), a desktop entry, the icon
# and the manual page.
include(GNUInstallDirs)

install(TARGETS v4npelva RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET zempack)
  install(TARGETS zempack RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(FILES ${CMAKE_BINARY_DIR}/v4npelva.zem ${CMAKE_BINARY_DIR}/v4npelva.xm
              ${CMAKE_BINARY_DIR}/icon_1.bmp
        DESTINATION ${CMAKE_INSTALL_DATADIR}/v4npelva)
install(FILES ${PROJECT_SOURCE_DIR}/dist/v4npelva.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_BINARY_DIR}/v4npelva.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/32x32/apps)
install(FILES ${PROJECT_SOURCE_DIR}/dist/v4npelva.6 DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)

set(CPACK_PACKAGE_NAME v4npelva)
set(CPACK_PACKAGE_VENDOR "v4npelva")
set(CPACK_PACKAGE_CONTACT "v4npelva developers <v4npelva@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "software-rendered demo of fourteen scenes set to its own soundtrack")
set(CPACK_PACKAGE_DESCRIPTION
    "Fourteen scenes drawn in software into a 320x200 picture, synchronised to a tracker module, in a window or full screen with sound.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME "v4npelva_${PROJECT_VERSION}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# dpkg-shlibdeps declares the shared libraries the programs link (SDL2, SDL2_ttf, libopenmpt,
# libjpeg, zlib, the C++ runtime) as the package's dependencies.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The fonts the launcher and the drawn message box use.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_GENERATOR DEB)
include(CPack)

# The install tree and the Debian package: the show, the packer, the data files in
# share/v4npelva (where the program looks when they are not beside it), a desktop entry, the
# AppStream metainfo, the icon, the manual pages (compressed, as Debian wants them), the
# copyright file and the changelog.
include(GNUInstallDirs)

# gzip -n: no name and no time stamp in the file, so that the same source packs the same bytes.
find_program(GZIP_PROGRAM gzip REQUIRED)
set(v4n_compressed)
foreach(source dist/v4npelva.6 dist/zempack.1 dist/changelog)
  get_filename_component(name ${source} NAME)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/dist/${name}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/dist
    COMMAND ${GZIP_PROGRAM} -9n -c ${PROJECT_SOURCE_DIR}/${source} > ${CMAKE_BINARY_DIR}/dist/${name}.gz
    DEPENDS ${PROJECT_SOURCE_DIR}/${source}
    VERBATIM)
  list(APPEND v4n_compressed ${CMAKE_BINARY_DIR}/dist/${name}.gz)
endforeach()
add_custom_target(v4npelva_dist_files ALL DEPENDS ${v4n_compressed})

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
install(FILES ${PROJECT_SOURCE_DIR}/dist/v4npelva.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo RENAME org.example.v4npelva.metainfo.xml)
install(FILES ${CMAKE_BINARY_DIR}/dist/v4npelva.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${CMAKE_BINARY_DIR}/dist/zempack.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/dist/copyright ${CMAKE_BINARY_DIR}/dist/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/v4npelva)

set(CPACK_PACKAGE_NAME v4npelva)
set(CPACK_PACKAGE_VENDOR "v4npelva")
set(CPACK_PACKAGE_CONTACT "v4npelva developers <v4npelva@users.noreply.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "software-rendered demo of fourteen scenes set to its own soundtrack")
# Debian wants the long description in lines of at most 80 characters; CPack puts the summary
# above it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Fourteen scenes drawn in software into a 320x200 picture, synchronised to a
tracker module, in a window or full screen with sound. A small launcher asks
for the output and the sound device; the show can also play headless, make
contact sheets and record itself as a video file.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME "v4npelva_${PROJECT_VERSION}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# A demo is a show to watch, not a game to play.
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# dpkg-shlibdeps declares the shared libraries the programs link (SDL2, SDL2_ttf, libopenmpt,
# libjpeg, zlib, the C++ runtime) as the package's dependencies.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The fonts the launcher and the drawn message box use.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The programs go into the package stripped; their debug symbols stay out of it.
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
include(CPack)

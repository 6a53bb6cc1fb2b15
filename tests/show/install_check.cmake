# Installs the build into a temporary DESTDIR, checks the file list and the icon, then plays one
# scene headless with the installed program from a working folder that holds no data, so that the
# program has to find its data in the install tree.
# cmake -DBUILD_DIR=... -DWORK_DIR=... -DPREFIX=... -P install_check.cmake
set(destdir ${WORK_DIR}/destdir)
set(elsewhere ${WORK_DIR}/elsewhere)
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${elsewhere})

set(ENV{DESTDIR} ${destdir})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} RESULT_VARIABLE result
                OUTPUT_VARIABLE install_log ERROR_VARIABLE install_log)
unset(ENV{DESTDIR})
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${result}):\n${install_log}")
endif()

set(root ${destdir}${PREFIX})
set(expected
    bin/v4npelva
    bin/zempack
    share/v4npelva/v4npelva.zem
    share/v4npelva/v4npelva.xm
    share/v4npelva/icon_1.bmp
    share/applications/v4npelva.desktop
    share/icons/hicolor/32x32/apps/v4npelva.png
    share/metainfo/org.example.v4npelva.metainfo.xml
    share/man/man6/v4npelva.6.gz
    share/man/man1/zempack.1.gz
    share/doc/v4npelva/copyright
    share/doc/v4npelva/changelog.gz)
file(GLOB_RECURSE installed RELATIVE ${root} LIST_DIRECTORIES false ${root}/*)
list(SORT installed)
set(wanted ${expected})
list(SORT wanted)
if(NOT installed STREQUAL wanted)
  message(FATAL_ERROR "installed files:\n  ${installed}\nexpected:\n  ${wanted}")
endif()
# The installed packer checks the installed archive.
execute_process(COMMAND ${root}/bin/zempack test ${root}/share/v4npelva/v4npelva.zem
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "zempack test of the installed archive ended with ${result}:\n${output}")
endif()

# The desktop icon: a PNG of 32 x 32 pixels (IHDR width and height, big-endian, at byte 16).
file(READ ${root}/share/icons/hicolor/32x32/apps/v4npelva.png header LIMIT 24 HEX)
if(NOT header STREQUAL "89504e470d0a1a0a0000000d494844520000002000000020")
  message(FATAL_ERROR "the icon is not a 32x32 PNG: ${header}")
endif()
file(STRINGS ${root}/share/applications/v4npelva.desktop exec_line REGEX "^Exec=")
if(NOT exec_line STREQUAL "Exec=v4npelva")
  message(FATAL_ERROR "the desktop entry starts '${exec_line}'")
endif()

execute_process(COMMAND ${root}/bin/v4npelva --scene cosmos --headless --png-dir frames --every 50
                WORKING_DIRECTORY ${elsewhere} RESULT_VARIABLE result
                OUTPUT_VARIABLE output ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the installed program ended with ${result}:\n${output}${errors}")
endif()
# Headless, one scene writes its line as the whole show writes each of its scenes'.
if(NOT output MATCHES "^scene  6 cosmos +start order")
  message(FATAL_ERROR "the installed program wrote no scene line:\n${output}")
endif()
file(GLOB frames ${elsewhere}/frames/frame_*.png)
list(LENGTH frames frame_count)
if(frame_count LESS 3)
  message(FATAL_ERROR "the installed program showed ${frame_count} frames of Cosmos:\n${output}${errors}")
endif()
file(REMOVE_RECURSE ${WORK_DIR})

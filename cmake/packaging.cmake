# What `cmake --install` puts where, and the packages the `package` target
# (CPack) makes of it: on Linux a Debian package,
#   build/kestrune_<version>_amd64.deb
# and on Windows (the MinGW-w64 cross build) a zip,
#   build-windows/kestrune-<version>-win64.zip
# each with a .sha256 beside it that `sha256sum -c` reads. Included once,
# from the top CMakeLists.txt, after the two programs are defined.
include(GNUInstallDirs)

# Everything installed is in this one component, and the packages hold it
# alone: nothing a test, benchmark or fuzz build might install.
set(KESTRUNE_COMPONENT kestrune)
# The programs, and their manual pages: the converter where CLI11 let it
# be built.
set(KESTRUNE_PROGRAMS kestrune kestrune-view)
if(TARGET kestrune-convert)
  list(APPEND KESTRUNE_PROGRAMS kestrune-convert)
endif()
set(KESTRUNE_PACKAGE_MAINTAINER "The Kestrune authors <kestrune@example.org>"
    CACHE STRING "The packages' maintainer and contact, as: Name <address>")

if(WIN32)
  # The zip: the programs, and beside them the documents as text files with
  # CR LF line ends that Windows opens, the manual pages rendered.
  install(TARGETS ${KESTRUNE_PROGRAMS} RUNTIME DESTINATION . COMPONENT ${KESTRUNE_COMPONENT})
  find_program(KESTRUNE_GROFF groff)
  find_program(KESTRUNE_MAN man)
  set(windows_text ${PROJECT_SOURCE_DIR}/cmake/windows_text.cmake)
  set(windows_docs "")
  foreach(doc README.md:README.txt LICENSE:LICENSE.txt CHANGELOG.md:CHANGELOG.txt)
    string(REPLACE ":" ";" doc "${doc}")
    list(GET doc 0 source)
    list(GET doc 1 text)
    add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/doc/${text}
      COMMAND ${CMAKE_COMMAND} -DINPUT=${PROJECT_SOURCE_DIR}/${source}
              -DOUTPUT=${PROJECT_BINARY_DIR}/doc/${text} -P ${windows_text}
      DEPENDS ${PROJECT_SOURCE_DIR}/${source} ${windows_text}
      COMMENT "Writing ${text} with CR LF line ends" VERBATIM)
    list(APPEND windows_docs ${PROJECT_BINARY_DIR}/doc/${text})
  endforeach()
  if(KESTRUNE_GROFF OR KESTRUNE_MAN)
    if(KESTRUNE_GROFF)
      set(formatter GROFF=${KESTRUNE_GROFF})
    else()
      set(formatter MAN=${KESTRUNE_MAN})
    endif()
    foreach(page ${KESTRUNE_PROGRAMS})
      add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/doc/${page}.txt
        COMMAND ${CMAKE_COMMAND} -D${formatter} -DINPUT=${PROJECT_SOURCE_DIR}/man/${page}.1
                -DOUTPUT=${PROJECT_BINARY_DIR}/doc/${page}.txt -P ${windows_text}
        DEPENDS ${PROJECT_SOURCE_DIR}/man/${page}.1 ${windows_text}
        COMMENT "Rendering the manual page ${page}.1 as text" VERBATIM)
      list(APPEND windows_docs ${PROJECT_BINARY_DIR}/doc/${page}.txt)
    endforeach()
  else()
    kestrune_left_out("the zip's manual pages (kestrune.txt, kestrune-view.txt)"
                      "neither groff nor man found to render them")
  endif()
  add_custom_target(kestrune_windows_docs ALL DEPENDS ${windows_docs})
  install(FILES ${windows_docs} DESTINATION . COMPONENT ${KESTRUNE_COMPONENT})

  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME ${PROJECT_NAME}-${PROJECT_VERSION}-win64)
else()
  install(TARGETS ${KESTRUNE_PROGRAMS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
          COMPONENT ${KESTRUNE_COMPONENT})
  list(TRANSFORM KESTRUNE_PROGRAMS PREPEND ${PROJECT_SOURCE_DIR}/man/ OUTPUT_VARIABLE man_pages)
  list(TRANSFORM man_pages APPEND .1)
  install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT ${KESTRUNE_COMPONENT})

  # share/doc/kestrune: the licence in Debian's machine-readable form
  # (DEP-5), written from LICENSE, and the change log.
  file(READ ${PROJECT_SOURCE_DIR}/LICENSE licence)
  if(NOT licence MATCHES "\nCopyright \\(c\\) ([^\n]+)\n\n(.*)$")
    message(FATAL_ERROR "LICENSE: no 'Copyright (c) ...' line followed by the licence text")
  endif()
  set(copyright_holder "${CMAKE_MATCH_1}")
  string(STRIP "${CMAKE_MATCH_2}" licence_text)
  string(REGEX REPLACE "\n\n" "\n.\n" licence_text "${licence_text}")
  string(REGEX REPLACE "\n" "\n " licence_text "${licence_text}")
  file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/doc/copyright @ONLY CONTENT [[
Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: @PROJECT_NAME@
Upstream-Contact: @KESTRUNE_PACKAGE_MAINTAINER@

Files: *
Copyright: @copyright_holder@
License: Expat
 @licence_text@
]])
  set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
               ${PROJECT_SOURCE_DIR}/LICENSE)
  install(FILES ${PROJECT_BINARY_DIR}/doc/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR}
          COMPONENT ${KESTRUNE_COMPONENT})
  install(FILES ${PROJECT_SOURCE_DIR}/CHANGELOG.md DESTINATION ${CMAKE_INSTALL_DOCDIR}
          RENAME changelog COMPONENT ${KESTRUNE_COMPONENT})

  # The Debian package. Its Depends is read from the libraries the programs
  # link against, by dpkg-shlibdeps (Debian package dpkg-dev).
  find_program(KESTRUNE_DPKG_SHLIBDEPS dpkg-shlibdeps)
  if(KESTRUNE_DPKG_SHLIBDEPS)
    set(CPACK_GENERATOR DEB)
  else()
    kestrune_left_out("the package target's .deb (it writes a .tar.gz instead)"
                      "dpkg-shlibdeps not found: it is in Debian's dpkg-dev")
    set(CPACK_GENERATOR TGZ)
  endif()
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # kestrune_<version>_<architecture>.deb
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  # Debian keeps manual pages and change logs gzipped; the installed tree
  # keeps them as they are (cmake/deb_compress.cmake gzips the package's).
  set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/deb_compress.cmake)
endif()

set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Kestrune authors")
set(CPACK_PACKAGE_CONTACT "${KESTRUNE_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "rewrite, view and make PCL bitmap soft fonts")
set(CPACK_PACKAGE_DESCRIPTION [[
Kestrune rewrites the bitmap soft fonts that PCL laser printers download:
kestrune sets a new resolution in the font header, turns every glyph a
quarter turn for landscape printing, and clears the unused fill bits at the
end of bitmap rows. It writes a new file beside the output and puts it in
place only when the run completes; a damaged font is reported character by
character.

kestrune-view shows a soft font without changing it: its header, a table of
its characters and every glyph drawn in text, a PNG contact sheet, or a PCL
job that prints the font.

kestrune-convert makes a soft font from BDF fonts (X11 fonts through
pcf2bdf, TrueType faces rendered by otf2bdf) and turns soft fonts into
BDF.]])
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_INSTALL_CMAKE_PROJECTS "${PROJECT_BINARY_DIR};${PROJECT_NAME};${KESTRUNE_COMPONENT};/")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CHECKSUM SHA256)  # <package>.sha256: "<hash>  <package>"
# Directories as Debian wants them whatever the umask.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
    GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
# `package_source`: the tracked tree, not the builds or the repository.
set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git/" "/\\\\.git$" "/build[^/]*/" "/\\\\.cache/")
include(CPack)

# What an installed Clarvane holds besides its programs, menu entry and icons (the
# software-centre entry, the manual pages, the package's own documents), and the Debian
# package that carries it all: `make package` (cpack) gives clarvane_<version>_<arch>.deb.
include(GNUInstallDirs)

# The project's version above is the only one: the programs print it, and the
# software-centre entry, the manual pages and the package carry it. Its release date
# changes with it.
set(CLARVANE_DATE_VERSION 2026-12-08)
set(CLARVANE_ID io.github.clarvane.Clarvane)
set(CLARVANE_URL "https://github.com/clarvane/clarvane" CACHE STRING "The project's home page")
set(CLARVANE_MAINTENEUR "Clarvane maintainers <maintainers@users.noreply.c-seed-3d1bd0cd.example>"
    CACHE STRING "Maintainer of the Debian package: name <address>")

configure_file(${CMAKE_CURRENT_LIST_DIR}/VersionClarvane.h.in
               ${PROJECT_BINARY_DIR}/genere/VersionClarvane.h @ONLY)
target_include_directories(options_projet INTERFACE ${PROJECT_BINARY_DIR}/genere)

set(paquet ${PROJECT_BINARY_DIR}/paquet)
configure_file(${PROJECT_SOURCE_DIR}/resources/desktop/${CLARVANE_ID}.metainfo.xml.in
               ${paquet}/${CLARVANE_ID}.metainfo.xml @ONLY)
install(FILES ${paquet}/${CLARVANE_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The manual pages and the changelog, compressed the way Debian wants them (gzip -9n:
# no name, no time stamp, so the package is the same whenever it is built).
execute_process(COMMAND date -R -u -d "${CLARVANE_DATE_VERSION} 12:00"
                OUTPUT_VARIABLE CLARVANE_DATE_VERSION_RFC2822 OUTPUT_STRIP_TRAILING_WHITESPACE)
configure_file(${CMAKE_CURRENT_LIST_DIR}/paquet/changelog.in ${paquet}/changelog @ONLY)
set(compresses ${paquet}/changelog.gz)
add_custom_command(OUTPUT ${paquet}/changelog.gz
                   COMMAND gzip -9nkf ${paquet}/changelog
                   DEPENDS ${paquet}/changelog)
foreach(page clarvane clarvane-exif)
  configure_file(${PROJECT_SOURCE_DIR}/man/${page}.1.in ${paquet}/man/${page}.1 @ONLY)
  add_custom_command(OUTPUT ${paquet}/man/${page}.1.gz
                     COMMAND gzip -9nkf ${paquet}/man/${page}.1
                     DEPENDS ${paquet}/man/${page}.1)
  list(APPEND compresses ${paquet}/man/${page}.1.gz)
  install(FILES ${paquet}/man/${page}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
add_custom_target(documents_paquet ALL DEPENDS ${compresses})
set(docs ${CMAKE_INSTALL_DATADIR}/doc/clarvane)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/paquet/copyright ${paquet}/changelog.gz DESTINATION ${docs})
install(FILES ${CMAKE_CURRENT_LIST_DIR}/paquet/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME clarvane)

# The programs resolve every library symbol at start, so the relocation table can be
# made read-only before any input is read (Debian's "bindnow" hardening).
foreach(programme clarvane clarvane-exif)
  if(TARGET ${programme})
    target_link_options(${programme} PRIVATE -Wl,-z,now)
  endif()
endforeach()

# The Debian package. Its dependencies come from the programs' libraries (dpkg-shlibdeps),
# plus the Qt SVG plugins that draw the icons, which no program links to.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME clarvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Clarvane authors")
set(CPACK_PACKAGE_CONTACT ${CLARVANE_MAINTENEUR})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${CLARVANE_URL})
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "photo sorter: copies or renames pictures by their EXIF data")
set(CPACK_PACKAGE_DESCRIPTION "Clarvane reads the EXIF values of the JPEG and raw images of a folder
(camera, focal length, exposure time, aperture, shooting date, ISO) and
either copies every image into a folder hierarchy made of those values, in
the chosen order, or renames it in place with the values as a prefix. A
preview shows the resulting tree before anything is touched; no file is ever
overwritten, and every problem is written to a log.

The package also holds clarvane-exif, a command that prints what Clarvane
reads from each file. The interface is in French.")
include(CPack)

# The package is built and looked into, where the Debian tools are present.
if(BUILD_TESTING)
  add_test(NAME paquet_deb
           COMMAND ${CMAKE_COMMAND} -DBINAIRES=${PROJECT_BINARY_DIR} -DVERSION=${PROJECT_VERSION}
                   -DID=${CLARVANE_ID} -P ${PROJECT_SOURCE_DIR}/tests/paquet/VerifierPaquet.cmake)
  set_tests_properties(paquet_deb PROPERTIES SKIP_REGULAR_EXPRESSION "SKIP:" TIMEOUT 600)
endif()

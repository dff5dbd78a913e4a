# Builds the Debian package from the build tree BINAIRES and looks into it: file name,
# control fields, the files it installs under /usr, and what they say (the version the
# program prints, the release of the software-centre entry, the manual pages).
#   cmake -DBINAIRES=<build> -DVERSION=<x.y.z> -DID=<application id> -P VerifierPaquet.cmake
# Says "SKIP:" and stops where the Debian tools that make a package are missing.
cmake_minimum_required(VERSION 3.25)

foreach(outil dpkg-deb dpkg-shlibdeps dpkg file gzip)
  find_program(chemin_${outil} ${outil})
  if(NOT chemin_${outil})
    message("SKIP: ${outil} is missing (Debian packages dpkg-dev, file), no package can be built")
    return()
  endif()
endforeach()

# A failed check is reported and the others still run; the test then fails.
macro(echec texte)
  message(SEND_ERROR "${texte}")
endmacro()
macro(executer sortie)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE statut OUTPUT_VARIABLE ${sortie}
                  ERROR_VARIABLE erreurs OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT statut EQUAL 0)
    message(FATAL_ERROR "${ARGN} failed (${statut}):\n${${sortie}}\n${erreurs}")
  endif()
endmacro()

set(travail ${BINAIRES}/Testing/paquet)
file(REMOVE_RECURSE ${travail})
file(MAKE_DIRECTORY ${travail})
executer(sortie ${CMAKE_CPACK_COMMAND} -G DEB --config ${BINAIRES}/CPackConfig.cmake -B ${travail})

# clarvane_<version>_<arch>.deb, alone.
executer(arch dpkg --print-architecture)
file(GLOB debs ${travail}/*.deb)
set(deb ${travail}/clarvane_${VERSION}_${arch}.deb)
if(NOT debs STREQUAL deb)
  message(FATAL_ERROR "expected the one package ${deb}, found: ${debs}")
endif()

# Control fields.
executer(controle dpkg-deb -f ${deb})
message(STATUS "control:\n${controle}")
foreach(champ_valeur "Package=clarvane" "Version=${VERSION}" "Architecture=${arch}"
                     "Section=graphics" "Priority=optional")
  string(REPLACE "=" ";" champ_valeur "${champ_valeur}")
  list(GET champ_valeur 0 champ)
  list(GET champ_valeur 1 attendu)
  executer(valeur dpkg-deb -f ${deb} ${champ})
  if(NOT valeur STREQUAL attendu)
    echec("${champ}: \"${valeur}\" where \"${attendu}\" was expected")
  endif()
endforeach()
executer(depends dpkg-deb -f ${deb} Depends)
foreach(dependance libc6 libstdc[+][+]6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6svg6)
  if(NOT depends MATCHES "(^|, )${dependance}( |,|$)")
    echec("Depends lacks ${dependance} (from shlibdeps, or the SVG plugins): ${depends}")
  endif()
endforeach()
executer(description dpkg-deb -f ${deb} Description)
string(REGEX MATCH "^[^\n]+" resume "${description}")
string(REGEX MATCHALL "\n [^\n]+" lignes_longues "${description}")
list(LENGTH lignes_longues nombre_lignes)
if(resume STREQUAL "" OR resume MATCHES "^ ")
  echec("Description has no summary: ${description}")
endif()
if(nombre_lignes LESS 3)
  echec("Description has no long description: ${description}")
endif()
executer(mainteneur dpkg-deb -f ${deb} Maintainer)
if(NOT mainteneur MATCHES "^[^<]+ <[^@>]+@[^>]+>$")
  echec("Maintainer is no \"name <address>\": ${mainteneur}")
endif()

# Contents: everything under /usr and owned by root, the programs executable, the pages
# and the changelog compressed.
executer(contenu dpkg-deb -c ${deb})
string(REPLACE "\n" ";" entrees "${contenu}")
foreach(entree ${entrees})
  if(NOT entree MATCHES " \\./(usr/.*)?$")
    echec("outside /usr: ${entree}")
  endif()
  if(NOT entree MATCHES "^[-d]r[-w][-x]r-[-x]r-[-x] root/root ")
    echec("not owned by root, or writable by others: ${entree}")
  endif()
endforeach()
foreach(attendu
    "-rwxr-xr-x .* ./usr/bin/clarvane"
    "-rwxr-xr-x .* ./usr/bin/clarvane-exif"
    "-rw-r--r-- .* ./usr/share/applications/${ID}.desktop"
    "-rw-r--r-- .* ./usr/share/metainfo/${ID}.metainfo.xml"
    "-rw-r--r-- .* ./usr/share/icons/hicolor/scalable/apps/clarvane.svg"
    "-rw-r--r-- .* ./usr/share/icons/hicolor/48x48/apps/clarvane.png"
    "-rw-r--r-- .* ./usr/share/icons/hicolor/256x256/apps/clarvane.png"
    "-rw-r--r-- .* ./usr/share/man/man1/clarvane.1.gz"
    "-rw-r--r-- .* ./usr/share/man/man1/clarvane-exif.1.gz"
    "-rw-r--r-- .* ./usr/share/doc/clarvane/copyright"
    "-rw-r--r-- .* ./usr/share/doc/clarvane/changelog.gz")
  string(REPLACE "." "[.]" motif "${attendu}")
  string(REPLACE "[.]*" ".*" motif "${motif}")
  set(vu FALSE)
  foreach(entree ${entrees})
    if(entree MATCHES "^${motif}$")
      set(vu TRUE)
    endif()
  endforeach()
  if(NOT vu)
    echec("no entry ${attendu} in the package")
  endif()
endforeach()

# What the files say.
set(racine ${travail}/racine)
executer(sortie dpkg-deb -x ${deb} ${racine})
executer(version ${racine}/usr/bin/clarvane-exif --version)
if(NOT version STREQUAL "clarvane-exif ${VERSION}")
  echec("clarvane-exif --version printed \"${version}\"")
endif()
foreach(programme clarvane clarvane-exif)
  executer(nature file -b ${racine}/usr/bin/${programme})
  if(NOT nature MATCHES ", stripped")
    echec("${programme} is not stripped: ${nature}")
  endif()
  executer(page gzip -dc ${racine}/usr/share/man/man1/${programme}.1.gz)
  if(NOT page MATCHES "\n\\.TH [^\n]*\"Clarvane ${VERSION}\"")
    echec("the manual page of ${programme} does not carry the version ${VERSION}")
  endif()
  if(page MATCHES "@[A-Z_]+@")
    echec("the manual page of ${programme} holds a variable the build did not fill in")
  endif()
endforeach()
file(READ ${racine}/usr/share/metainfo/${ID}.metainfo.xml metainfo)
if(NOT metainfo MATCHES "<release version=\"${VERSION}\" date=\"[0-9]+-[0-9]+-[0-9]+\"")
  echec("the software-centre entry has no release ${VERSION}")
endif()
if(NOT metainfo MATCHES "<launchable type=\"desktop-id\">${ID}[.]desktop</launchable>")
  echec("the software-centre entry does not launch ${ID}.desktop")
endif()
file(READ ${racine}/usr/share/applications/${ID}.desktop entree_menu)
if(NOT entree_menu MATCHES "\nExec=clarvane\n")
  echec("the menu entry does not start clarvane")
endif()

# The validators of the freedesktop formats, where they are installed.
find_program(appstreamcli appstreamcli)
if(appstreamcli)
  executer(sortie ${appstreamcli} validate --no-net ${racine}/usr/share/metainfo/${ID}.metainfo.xml)
else()
  message(STATUS "appstreamcli is missing: the software-centre entry is not validated")
endif()
find_program(desktop_file_validate desktop-file-validate)
if(desktop_file_validate)
  executer(sortie ${desktop_file_validate} ${racine}/usr/share/applications/${ID}.desktop)
  if(NOT sortie STREQUAL "")
    echec("desktop-file-validate: ${sortie}")
  endif()
else()
  message(STATUS "desktop-file-validate is missing: the menu entry is not validated")
endif()

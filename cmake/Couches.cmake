# ajouter_couche(NAME DEPS ...): a static library of every .cpp/.h of the folder.
#
# A layer sees only its own headers and those of the layers it links (DEPS, and theirs):
# its include root is a folder of the build tree holding a single link, <layer> ->
# src/<layer>, and that root reaches the layers above only through the link. So
# `#include "controls/X.h"` in engine names a folder engine's include path does not
# hold, and fails to compile.
function(ajouter_couche nom)
  cmake_parse_arguments(A "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS
    ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h ${CMAKE_CURRENT_SOURCE_DIR}/*.ui)
  list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
  set(racine ${PROJECT_BINARY_DIR}/couches/${nom})
  file(MAKE_DIRECTORY ${racine})
  file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${racine}/${nom} SYMBOLIC)
  set(cpp ${sources})
  list(FILTER cpp INCLUDE REGEX "\\.cpp$")
  if(cpp)
    add_library(${nom} STATIC ${sources})
    target_include_directories(${nom} PUBLIC ${racine})
    target_link_libraries(${nom} PUBLIC options_projet ${A_DEPS})
  else()  # a layer of headers only, so far
    add_library(${nom} INTERFACE ${sources})
    target_include_directories(${nom} INTERFACE ${racine})
    target_link_libraries(${nom} INTERFACE options_projet ${A_DEPS})
  endif()
endfunction()

# sonde_couche(NAME LAYER HEADER [ADMISE]): a CTest test that compiles a one-line file
# `#include HEADER` with LAYER's include path and flags. Without ADMISE the include points
# up: the test passes only when the compiler stops for want of that header. With ADMISE
# it points down and must compile, which shows the probes themselves build.
function(sonde_couche nom couche entete)
  cmake_parse_arguments(A "ADMISE" "" "" ${ARGN})
  set(fichier ${PROJECT_BINARY_DIR}/sondes/${nom}.cpp)
  file(CONFIGURE OUTPUT ${fichier} CONTENT "#include ${entete}\n")
  add_library(sonde_${nom} OBJECT EXCLUDE_FROM_ALL ${fichier})
  target_link_libraries(sonde_${nom} PRIVATE ${couche})
  set_target_properties(sonde_${nom} PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
  add_test(NAME couches_${nom}
           COMMAND ${CMAKE_COMMAND} --build ${PROJECT_BINARY_DIR} --target sonde_${nom})
  # One build at a time in the build tree.
  set_tests_properties(couches_${nom} PROPERTIES RESOURCE_LOCK arbre_construction)
  if(NOT A_ADMISE)
    string(REGEX REPLACE "[<>\"]" "" chemin "${entete}")
    string(REPLACE "." "\\." chemin "${chemin}")
    set_tests_properties(couches_${nom} PROPERTIES
      PASS_REGULAR_EXPRESSION "${chemin}: No such file or directory")
  endif()
endfunction()

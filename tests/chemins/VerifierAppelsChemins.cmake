# cmake -DRACINE=<source tree> -P VerifierAppelsChemins.cmake
#
# The path check itself, run on a probe tree (sonde/) whose faulty lines are marked
# "// faute": it must fail and name exactly those lines, no more and no fewer.
cmake_minimum_required(VERSION 3.25)
set(sonde ${CMAKE_CURRENT_LIST_DIR}/sonde)
execute_process(COMMAND ${CMAKE_COMMAND} -DRACINE=${sonde} -P ${RACINE}/cmake/AppelsChemins.cmake
                RESULT_VARIABLE statut ERROR_VARIABLE sortie OUTPUT_VARIABLE sortie2)
if(statut EQUAL 0)
  message(FATAL_ERROR "the check passed a tree full of path calls:\n${sortie2}")
endif()

set(attendues "")
file(GLOB_RECURSE sources RELATIVE ${sonde} ${sonde}/src/*)
list(SORT sources)
foreach(source ${sources})
  file(STRINGS ${sonde}/${source} lignes)
  set(numero 0)
  foreach(ligne IN LISTS lignes)
    math(EXPR numero "${numero} + 1")
    if(ligne MATCHES "// faute$")
      list(APPEND attendues "${source}:${numero}")
    endif()
  endforeach()
endforeach()

# CMake wraps its messages: the places are read back as "file:line:" wherever they stand.
string(REGEX MATCHALL "src/[A-Za-z0-9_/.]+:[0-9]+:" trouvees "${sortie}")
list(TRANSFORM trouvees REPLACE ":$" "")
if(NOT trouvees STREQUAL attendues)
  message(FATAL_ERROR "the check named:\n  ${trouvees}\ninstead of:\n  ${attendues}\n${sortie}")
endif()
list(LENGTH attendues nombre)
message(STATUS "The check names the ${nombre} path calls of the probe and nothing else")

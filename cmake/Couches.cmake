# ajouter_couche(NAME DEPS ...): a static library of every .cpp/.h of the folder.
function(ajouter_couche nom)
  cmake_parse_arguments(A "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS
    ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h ${CMAKE_CURRENT_SOURCE_DIR}/*.ui)
  list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
  set(cpp ${sources})
  list(FILTER cpp INCLUDE REGEX "\\.cpp$")
  if(cpp)
    add_library(${nom} STATIC ${sources})
    target_include_directories(${nom} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${nom} PUBLIC options_projet ${A_DEPS})
  else()  # a layer of headers only, so far
    add_library(${nom} INTERFACE ${sources})
    target_include_directories(${nom} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${nom} INTERFACE options_projet ${A_DEPS})
  endif()
endfunction()

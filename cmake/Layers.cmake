# vistrel_library(<target> <name> [DEPS lib...] [SOURCES file...] [HEADERS file...])
# A static library of the sources in the current folder (or those given),
# reached by others as "<name>/Header.h". Each library gets an include root of
# its own that holds only a link named <name> to its folder, so a unit sees
# exactly the headers of the libraries it links: an include from a layer above
# (or from a library it does not depend on) fails to build. With HEADERS the
# <name> folder of the root holds links to those headers only, for a library
# made of a few units of a larger folder.
function(vistrel_library target name)
  cmake_parse_arguments(ARG "" "" "DEPS;SOURCES;HEADERS" ${ARGN})
  if(NOT ARG_SOURCES)
    file(GLOB ARG_SOURCES CONFIGURE_DEPENDS
         ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  endif()
  add_library(${target} STATIC ${ARG_SOURCES})
  set(root ${CMAKE_BINARY_DIR}/include/${target})
  get_filename_component(parent ${root}/${name} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  if(ARG_HEADERS)
    file(MAKE_DIRECTORY ${root}/${name})
    foreach(header ${ARG_HEADERS})
      get_filename_component(header_name ${header} NAME)
      get_filename_component(header_path ${header} ABSOLUTE)
      if(NOT IS_SYMLINK ${root}/${name}/${header_name})
        file(CREATE_LINK ${header_path} ${root}/${name}/${header_name} SYMBOLIC)
      endif()
    endforeach()
  elseif(NOT IS_SYMLINK ${root}/${name})
    file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${root}/${name} SYMBOLIC)
  endif()
  target_include_directories(${target} PUBLIC ${root})
  target_link_libraries(${target} PUBLIC ${ARG_DEPS})
  target_compile_options(${target} PRIVATE ${VISTREL_WARNINGS})
  set_target_properties(${target} PROPERTIES LINKER_LANGUAGE CXX)
endfunction()

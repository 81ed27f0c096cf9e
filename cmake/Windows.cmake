# Settings for every Windows target: 8-bit (ANSI) Win32 API, Windows 10 headers,
# runtime linked statically so the deliverables need no extra DLLs.
enable_language(RC)
add_compile_definitions(
  WINVER=0x0A00 _WIN32_WINNT=0x0A00 _WIN32_IE=0x0A00
  NOMINMAX STRICT _CRT_SECURE_NO_WARNINGS)
add_link_options(-static -static-libgcc -static-libstdc++)
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -c 65001")

set(VISTREL_WIN_LIBS ole32 oleaut32 uuid comctl32 comdlg32 shell32 shlwapi
    gdi32 user32 advapi32 version)

# widl finds stdole2.tlb here; the generated libraries then refer to it.
set(VISTREL_STDOLE_DIR /usr/lib/x86_64-linux-gnu/wine/x86_64-windows)
find_program(VISTREL_WIDL NAMES x86_64-w64-mingw32-widl widl REQUIRED)

# vistrel_idl(<target> <idl> [IMPORTS dir...]): compiles an IDL into <name>.tlb,
# <name>_TLB.h and <name>_i.c in the current binary directory and makes an
# object library <target> with the GUID definitions.
function(vistrel_idl target idl)
  cmake_parse_arguments(ARG "" "" "INCLUDES;DEPENDS" ${ARGN})
  get_filename_component(name ${idl} NAME_WE)
  get_filename_component(idl_abs ${idl} ABSOLUTE)
  get_filename_component(idl_dir ${idl_abs} DIRECTORY)
  set(out ${CMAKE_CURRENT_BINARY_DIR})
  set(incs -I${idl_dir} -I${CMAKE_SOURCE_DIR}/src/common/idl)
  foreach(i ${ARG_INCLUDES})
    list(APPEND incs -I${i} -L${i})
  endforeach()
  add_custom_command(
    OUTPUT ${out}/${name}.tlb ${out}/${name}_TLB.h ${out}/${name}_i.c
    COMMAND ${VISTREL_WIDL} --win64 -L ${VISTREL_STDOLE_DIR} -L ${out} ${incs}
            -t -o ${out}/${name}.tlb ${idl_abs}
    COMMAND ${VISTREL_WIDL} --win64 -L ${VISTREL_STDOLE_DIR} -L ${out} ${incs}
            -h -H ${out}/${name}_TLB.h ${idl_abs}
    COMMAND ${VISTREL_WIDL} --win64 -L ${VISTREL_STDOLE_DIR} -L ${out} ${incs}
            -u -U ${out}/${name}_i.c ${idl_abs}
    DEPENDS ${idl_abs} ${ARG_DEPENDS}
    COMMENT "widl ${name}.idl"
    VERBATIM)
  add_library(${target} STATIC ${out}/${name}_i.c ${out}/${name}_TLB.h)
  target_include_directories(${target} PUBLIC ${out} ${CMAKE_SOURCE_DIR}/src/common/idl)
  set_target_properties(${target} PROPERTIES LINKER_LANGUAGE C)
  add_custom_target(${target}_tlb DEPENDS ${out}/${name}.tlb)
  add_dependencies(${target} ${target}_tlb)
endfunction()

# libjpeg-turbo, cross-built from Debian's source package by
# scripts/lib/libjpeg.sh into ${VISTREL_DEPS}/libjpeg-turbo.
set(VISTREL_DEPS ${CMAKE_BINARY_DIR}/../deps CACHE PATH "Folder of the cross-built dependencies")
get_filename_component(VISTREL_JPEG_DIR ${VISTREL_DEPS}/libjpeg-turbo ABSOLUTE)
if(NOT EXISTS ${VISTREL_JPEG_DIR}/lib/libjpeg.a OR NOT EXISTS ${VISTREL_JPEG_DIR}/include/jpeglib.h)
  message(FATAL_ERROR "libjpeg-turbo is missing from ${VISTREL_JPEG_DIR}: "
                      "run scripts/lib/libjpeg.sh <deps folder> or set VISTREL_DEPS")
endif()
add_library(vistrel::jpeg STATIC IMPORTED GLOBAL)
set_target_properties(vistrel::jpeg PROPERTIES
  IMPORTED_LOCATION ${VISTREL_JPEG_DIR}/lib/libjpeg.a
  INTERFACE_INCLUDE_DIRECTORIES ${VISTREL_JPEG_DIR}/include)

# vistrel_plugin(<name> IDL <idl> SOURCES ... [DEF <def>] [LIBS ...] [OUTPUT_DIRECTORY <dir>])
# An in-process COM server library <name>.dll built on the framework: its
# IDL gives <name>.tlb, <name>_TLB.h and <name>_i.c (object library
# <name>_idl); the IDL may import "pixwell.idl" and "olecontrol.idl", say
# importlib("vistrel.exe") for the host's library (widl reads pixwell.tlb
# under that name, so the plug-in's library refers to the host's program
# file) and #include the ActiveForm*.idl fragments. The type library becomes
# resource TYPELIB 1: through a generated resource script, or through the
# library's own .rc sources, which can say 1 TYPELIB "<name>.tlb". The .def
# file lists the four exports. Output: ${VISTREL_BIN_DIR} unless told.
function(vistrel_plugin name)
  cmake_parse_arguments(ARG "" "IDL;DEF;OUTPUT_DIRECTORY" "SOURCES;LIBS" ${ARGN})
  set(out ${CMAKE_CURRENT_BINARY_DIR})
  set(hostlib ${out}/hostlib)
  add_custom_command(
    OUTPUT ${hostlib}/vistrel.exe
    COMMAND ${CMAKE_COMMAND} -E make_directory ${hostlib}
    COMMAND ${CMAKE_COMMAND} -E copy ${VISTREL_PIXWELL_TLB} ${hostlib}/vistrel.exe
    DEPENDS ${VISTREL_PIXWELL_TLB} pixwell_idl_tlb
    COMMENT "host type library for ${name}"
    VERBATIM)
  # widl's header says #include <pixwell.h> for import "pixwell.idl".
  file(CONFIGURE OUTPUT ${out}/pixwell.h CONTENT "#pragma once\n#include \"pixwell_TLB.h\"\n")
  file(GLOB fragments ${CMAKE_SOURCE_DIR}/src/common/idl/*.idl)
  vistrel_idl(${name}_idl ${ARG_IDL} INCLUDES ${hostlib} DEPENDS ${hostlib}/vistrel.exe ${fragments})
  target_link_libraries(${name}_idl PUBLIC pixwell_idl)

  get_filename_component(idl_name ${ARG_IDL} NAME_WE)
  set(sources ${ARG_SOURCES})
  list(FILTER sources INCLUDE REGEX "\\.rc$")
  if(NOT sources)
    file(CONFIGURE OUTPUT ${out}/${name}_typelib.rc
         CONTENT "1 TYPELIB \"${out}/${idl_name}.tlb\"\n")
    list(APPEND ARG_SOURCES ${out}/${name}_typelib.rc)
    set(sources ${out}/${name}_typelib.rc)
  endif()
  set_source_files_properties(${sources} PROPERTIES
    INCLUDE_DIRECTORIES ${out}
    OBJECT_DEPENDS ${out}/${idl_name}.tlb)

  add_library(${name} SHARED ${ARG_SOURCES} ${ARG_DEF})
  set_target_properties(${name} PROPERTIES PREFIX "")
  if(ARG_OUTPUT_DIRECTORY)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${ARG_OUTPUT_DIRECTORY})
  else()
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${VISTREL_BIN_DIR})
  endif()
  target_link_libraries(${name} PRIVATE ${name}_idl vcommon vole ${ARG_LIBS})
  target_compile_options(${name} PRIVATE ${VISTREL_WARNINGS})
  add_dependencies(${name} ${name}_idl_tlb)
endfunction()

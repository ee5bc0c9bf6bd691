# Build-time generators live in tools/; this file gives the rest of the build
# one function per generator.

# quilbex_constant_region(<target> SOURCE <file.consts> NAMESPACE <ns> HEADER <name.h> [DEPENDS files...])
# Turns a readable UTF-8 constants file into one contiguous read-only region
# of GBK texts, byte sets and arrays, compiled into a static library <target>.
function(quilbex_constant_region target)
  cmake_parse_arguments(A "" "SOURCE;NAMESPACE;HEADER" "DEPENDS" ${ARGN})
  set(out_dir ${CMAKE_CURRENT_BINARY_DIR}/generated/${target})
  get_filename_component(header_name ${A_HEADER} NAME_WE)
  set(out_h ${out_dir}/${A_HEADER})
  set(out_cpp ${out_dir}/${header_name}.cpp)
  if(IS_ABSOLUTE ${A_SOURCE})
    set(source ${A_SOURCE})
  else()
    set(source ${CMAKE_CURRENT_SOURCE_DIR}/${A_SOURCE})
  endif()
  add_custom_command(
    OUTPUT ${out_h} ${out_cpp}
    COMMAND constgen ${source} ${A_NAMESPACE} ${out_h} ${out_cpp}
    DEPENDS constgen ${source} ${A_DEPENDS}
    WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}
    COMMENT "Generating constant region ${A_NAMESPACE}"
    VERBATIM)
  add_library(${target} STATIC ${out_cpp} ${out_h})
  target_include_directories(${target} PUBLIC ${out_dir}/.. ${PROJECT_SOURCE_DIR})
endfunction()

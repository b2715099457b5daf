# The clipboard of a Wayland session (data-control), built where the Wayland client library and
# its scanner are installed. The protocol descriptions are our own (protocols/); the scanner makes
# the glue from them at build time.
find_package(PkgConfig QUIET)
if(PKG_CONFIG_FOUND)
  pkg_check_modules(WAYLAND_CLIENT QUIET IMPORTED_TARGET GLOBAL wayland-client)
endif()
find_program(WAYLAND_SCANNER wayland-scanner)
# STASHBOX_WAYLAND tells the rest of the build (the test rig) whether it is there.
if(NOT WAYLAND_CLIENT_FOUND OR NOT WAYLAND_SCANNER)
  message(STATUS "Wayland client library or wayland-scanner not found: no Wayland clipboard")
  set(STASHBOX_WAYLAND OFF CACHE INTERNAL "")
  return()
endif()
set(STASHBOX_WAYLAND ON CACHE INTERNAL "")

# Generates the client header and the interface code of each protocol description into the target
# (in the folder that calls it, so that the target there knows the rules).
function(stashbox_wayland_protocols target)
  foreach(xml IN LISTS ARGN)
    cmake_path(GET xml STEM name)
    set(header ${CMAKE_CURRENT_BINARY_DIR}/${name}-client-protocol.h)
    set(code ${CMAKE_CURRENT_BINARY_DIR}/${name}-protocol.c)
    add_custom_command(OUTPUT ${header} COMMAND ${WAYLAND_SCANNER} -s client-header ${xml} ${header} DEPENDS ${xml})
    add_custom_command(OUTPUT ${code} COMMAND ${WAYLAND_SCANNER} -s private-code ${xml} ${code} DEPENDS ${xml})
    target_sources(${target} PRIVATE ${header} ${code})
    set_source_files_properties(${header} ${code} PROPERTIES SKIP_AUTOMOC ON)
  endforeach()
  target_include_directories(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR})
  target_link_libraries(${target} PRIVATE PkgConfig::WAYLAND_CLIENT)
endfunction()
set(STASHBOX_WAYLAND_PROTOCOLS ${CMAKE_CURRENT_LIST_DIR}/protocols CACHE INTERNAL "")

target_sources(platform PRIVATE
  wayland/waylandclipboardport.cpp wayland/waylandclipboardport.h
  wayland/waylandselection.cpp wayland/waylandselection.h
)
target_compile_definitions(platform PRIVATE STASHBOX_WAYLAND)
target_include_directories(platform PRIVATE ${CMAKE_CURRENT_LIST_DIR})
stashbox_wayland_protocols(platform
  ${STASHBOX_WAYLAND_PROTOCOLS}/data-control-ext.xml
  ${STASHBOX_WAYLAND_PROTOCOLS}/data-control-wlr.xml)

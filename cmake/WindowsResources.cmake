# veltor_add_windows_resources(target DESCRIPTION text [ICON file.ico]):
# version information for Explorer's properties page (product, versions, the
# maker and the copyright), the application manifest and, when the icon file
# exists, the executable's icon. The link writes a map (target.exe.map: what
# the licence notices are made from) and no time stamp into the PE header, so
# that two builds of one commit give the same bytes.
include(${CMAKE_CURRENT_LIST_DIR}/Maker.cmake)
function(veltor_add_windows_resources target)
  cmake_parse_arguments(ARG "" "DESCRIPTION;ICON" "" ${ARGN})
  set(VELTOR_RC_DESCRIPTION "${ARG_DESCRIPTION}")
  set(VELTOR_RC_NAME "${target}")
  set(VELTOR_RC_FILE_NAME "${target}.exe")
  set(VELTOR_RC_ICON "")
  if(ARG_ICON AND EXISTS "${ARG_ICON}")
    set(VELTOR_RC_ICON "1 ICON \"${ARG_ICON}\"")
  endif()
  set(VELTOR_RC_VERSION_COMMAS "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},0,0")
  set(VELTOR_RC_VERSION_DOTS "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.0.0")
  set(VELTOR_RC_MANIFEST ${CMAKE_CURRENT_BINARY_DIR}/${target}.manifest)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/windows-manifest.xml.in ${VELTOR_RC_MANIFEST} @ONLY)
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/windows-resources.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
  set_property(SOURCE ${rc} APPEND PROPERTY OBJECT_DEPENDS ${VELTOR_RC_MANIFEST})
  target_link_options(${target} PRIVATE "LINKER:--no-insert-timestamp" "LINKER:-Map=$<TARGET_FILE:${target}>.map")
endfunction()

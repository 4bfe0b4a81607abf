# veltor_add_windows_resources(target DESCRIPTION text [ICON file.ico]):
# version information for Explorer's properties page and, when the icon file
# exists, the executable's icon.
function(veltor_add_windows_resources target)
  cmake_parse_arguments(ARG "" "DESCRIPTION;ICON" "" ${ARGN})
  set(VELTOR_RC_DESCRIPTION "${ARG_DESCRIPTION}")
  set(VELTOR_RC_FILE_NAME "${target}.exe")
  set(VELTOR_RC_ICON "")
  if(ARG_ICON AND EXISTS "${ARG_ICON}")
    set(VELTOR_RC_ICON "1 ICON \"${ARG_ICON}\"")
  endif()
  set(VELTOR_RC_VERSION_COMMAS "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},0,0")
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/windows-resources.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()

# A static Qt links its plugins into each executable. The windows platform,
# the vista style and the image formats come in by themselves; the offscreen
# platform (used by the tests and for runs without a display) is asked for.
function(veltor_import_static_qt_plugins target)
  get_target_property(core_type Qt6::Core TYPE)
  if(NOT core_type STREQUAL "STATIC_LIBRARY")
    return()
  endif()
  # Without it a program asked for the offscreen platform cannot start; on
  # Windows Qt then says so in a message box, which waits for a click for ever
  # on a display nobody looks at.
  if(NOT TARGET Qt6::QOffscreenIntegrationPlugin)
    message(FATAL_ERROR "${target}: the static Qt's offscreen platform plugin is not known here")
  endif()
  qt_import_plugins(${target} INCLUDE Qt6::QOffscreenIntegrationPlugin)
endfunction()

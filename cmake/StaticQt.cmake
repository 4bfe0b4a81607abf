# A static Qt links its plugins into each executable. The windows platform,
# the vista style and the image formats come in by themselves; the offscreen
# platform (used by the tests and for runs without a display) is asked for.
function(veltor_import_static_qt_plugins target)
  get_target_property(core_type Qt6::Core TYPE)
  if(core_type STREQUAL "STATIC_LIBRARY" AND TARGET Qt6::QOffscreenIntegrationPlugin)
    qt_import_plugins(${target} INCLUDE Qt6::QOffscreenIntegrationPlugin)
  endif()
endfunction()

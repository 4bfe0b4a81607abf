# veltor_add_pictures(target name...): the pictures of the windows as Qt
# resources under :/pictures/, drawn as app/pictures/<name>.svg.
#
# With Qt's SVG module they are carried as drawings and rendered at run time.
# Without it (the static Qt for Windows has none) each drawing is rendered here
# on the build machine to a large PNG with rsvg-convert, and scaled down at run
# time.
function(veltor_add_pictures target)
  set(drawings_dir ${CMAKE_CURRENT_SOURCE_DIR}/pictures)
  if(TARGET Qt6::Svg)
    set(files)
    foreach(name IN LISTS ARGN)
      list(APPEND files pictures/${name}.svg)
    endforeach()
    target_sources(${target} PRIVATE pictures_svg.cpp)
    target_link_libraries(${target} PRIVATE Qt6::Svg)
    qt_add_resources(${target} veltor_pictures PREFIX /pictures BASE pictures FILES ${files})
    return()
  endif()

  find_program(VELTOR_RSVG_CONVERT rsvg-convert)
  if(NOT VELTOR_RSVG_CONVERT)
    message(FATAL_ERROR "Without Qt's SVG module the pictures are rendered with rsvg-convert "
                        "(Debian package librsvg2-bin), which was not found")
  endif()
  set(rendered_dir ${CMAKE_CURRENT_BINARY_DIR}/pictures)
  file(MAKE_DIRECTORY ${rendered_dir})
  set(files)
  foreach(name IN LISTS ARGN)
    set(png ${rendered_dir}/${name}.png)
    add_custom_command(
      OUTPUT ${png}
      COMMAND ${VELTOR_RSVG_CONVERT} --width 512 --height 512 --keep-aspect-ratio
              --output ${png} ${drawings_dir}/${name}.svg
      DEPENDS ${drawings_dir}/${name}.svg
      COMMENT "Rendering picture ${name}"
      VERBATIM)
    list(APPEND files ${png})
  endforeach()
  target_sources(${target} PRIVATE pictures_png.cpp)
  qt_add_resources(${target} veltor_pictures PREFIX /pictures BASE ${rendered_dir} FILES ${files})
endfunction()

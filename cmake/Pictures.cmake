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
    qt_add_resources(${target} veltor_pictures OPTIONS ${VELTOR_RCC_OPTIONS} PREFIX /pictures BASE pictures FILES ${files})
    return()
  endif()

  set(rendered_dir ${CMAKE_CURRENT_BINARY_DIR}/pictures)
  set(files)
  foreach(name IN LISTS ARGN)
    veltor_render_drawing(${drawings_dir}/${name}.svg ${rendered_dir}/${name}.png)
    list(APPEND files ${rendered_dir}/${name}.png)
  endforeach()
  target_sources(${target} PRIVATE pictures_png.cpp)
  qt_add_resources(${target} veltor_pictures OPTIONS ${VELTOR_RCC_OPTIONS} PREFIX /pictures BASE ${rendered_dir} FILES ${files})
endfunction()

# veltor_add_icon_drawing(target drawing.svg): the application icon's drawing
# under :/icons/. Without Qt's SVG module the PNG rendered from it is carried
# beside it under the same name, which is what the pictures are looked up by.
function(veltor_add_icon_drawing target drawing)
  if(TARGET Qt6::Svg)
    return()
  endif()
  get_filename_component(name ${drawing} NAME_WE)
  set(rendered_dir ${CMAKE_CURRENT_BINARY_DIR}/rendered-icons)
  veltor_render_drawing(${drawing} ${rendered_dir}/${name}.png)
  qt_add_resources(${target} veltor_icon_drawing OPTIONS ${VELTOR_RCC_OPTIONS} PREFIX /icons BASE ${rendered_dir}
                   FILES ${rendered_dir}/${name}.png)
endfunction()

function(veltor_render_drawing svg png)
  find_program(VELTOR_RSVG_CONVERT rsvg-convert)
  if(NOT VELTOR_RSVG_CONVERT)
    message(FATAL_ERROR "Without Qt's SVG module the pictures are rendered with rsvg-convert "
                        "(Debian package librsvg2-bin), which was not found")
  endif()
  get_filename_component(dir ${png} DIRECTORY)
  get_filename_component(name ${png} NAME_WE)
  file(MAKE_DIRECTORY ${dir})
  add_custom_command(
    OUTPUT ${png}
    COMMAND ${VELTOR_RSVG_CONVERT} --width 512 --height 512 --keep-aspect-ratio --output ${png} ${svg}
    DEPENDS ${svg}
    COMMENT "Rendering picture ${name}"
    VERBATIM)
endfunction()

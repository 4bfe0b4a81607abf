# What a technician installs, and on Linux the Debian package built by CPack
# (cpack -G DEB in the build folder, or tools/package).
#
# A package must never carry the stand-in firmware image by accident: cpack
# refuses a build whose embedded image is the stand-in unless the build was
# configured with VELTOR_PACKAGE_TEST_STANDIN=ON, and then the package's file
# name and product name say TEST-STANDIN.
option(VELTOR_PACKAGE_TEST_STANDIN "Package a build carrying the stand-in image, marked as a test package" OFF)

set(VELTOR_PRODUCT_NAME "VELTOR Update")
set(VELTOR_PACKAGE_MARK "")
if(VELTOR_PACKAGE_TEST_STANDIN)
  set(VELTOR_PRODUCT_NAME "VELTOR Update TEST-STANDIN")
  set(VELTOR_PACKAGE_MARK "-TEST-STANDIN")
endif()

# The help file opened from the window's menu: looked for in the working
# directory, so the packages put it where the window starts.
set(VELTOR_HELP_MHT ${CMAKE_BINARY_DIR}/help/Help.mht)
add_custom_command(
  OUTPUT ${VELTOR_HELP_MHT}
  COMMAND ${CMAKE_COMMAND} -DINPUT=${PROJECT_SOURCE_DIR}/packaging/help/help.html -DOUTPUT=${VELTOR_HELP_MHT}
          -P ${PROJECT_SOURCE_DIR}/cmake/make_mht.cmake
  DEPENDS ${PROJECT_SOURCE_DIR}/packaging/help/help.html ${PROJECT_SOURCE_DIR}/cmake/make_mht.cmake
  COMMENT "Writing the help file"
  VERBATIM)
add_custom_target(veltor_help ALL DEPENDS ${VELTOR_HELP_MHT})
# tools/package hands over the help with the window's pictures and its PDF,
# made by tools/help-build; a build without it carries the page alone.
set(VELTOR_HELP_FOLDER "" CACHE PATH "Folder with Help.mht and Help.pdf from tools/help-build; empty: the page alone")
if(VELTOR_HELP_FOLDER)
  set(VELTOR_HELP_FILES ${VELTOR_HELP_FOLDER}/Help.mht ${VELTOR_HELP_FOLDER}/Help.pdf)
else()
  set(VELTOR_HELP_FILES ${VELTOR_HELP_MHT})
endif()

# The header-only libraries compiled in, for the notices that tools/package writes.
get_property(header_files GLOBAL PROPERTY VELTOR_HEADER_LIBRARY_FILES)
string(REPLACE ";" "\n" header_lines "${header_files}")
file(WRITE ${CMAKE_BINARY_DIR}/header-libraries.txt "${header_lines}\n")

if(WIN32)
  # The Windows installer and zip are made by tools/package with makensis.
  return()
endif()

include(GNUInstallDirs)
set(VELTOR_PACKAGE_PREFIX /usr)
# A test package installs beside a real one and never over it: the Debian
# package and every file it installs (programs, help folder, desktop entry,
# icon, manual pages, documentation, AppStream id) carry its own name.
set(VELTOR_DEBIAN_NAME veltor-update)
set(VELTOR_CLI_NAME veltor-update)
set(VELTOR_GUI_NAME veltor-update-gui)
if(VELTOR_PACKAGE_TEST_STANDIN)
  set(VELTOR_DEBIAN_NAME veltor-update-test-standin)
  set(VELTOR_CLI_NAME veltor-update-test-standin)
  set(VELTOR_GUI_NAME veltor-update-gui-test-standin)
  set_target_properties(veltor-update PROPERTIES OUTPUT_NAME ${VELTOR_CLI_NAME})
  if(TARGET veltor-update-gui)
    set_target_properties(veltor-update-gui PROPERTIES OUTPUT_NAME ${VELTOR_GUI_NAME})
  endif()
endif()
set(VELTOR_HELP_DIR ${VELTOR_PACKAGE_PREFIX}/share/${VELTOR_DEBIAN_NAME})

install(TARGETS veltor-update RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${VELTOR_HELP_FILES} DESTINATION share/${VELTOR_DEBIAN_NAME})
if(TARGET veltor-update-gui)
  install(TARGETS veltor-update-gui RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  configure_file(${PROJECT_SOURCE_DIR}/packaging/linux/veltor-update.desktop.in
                 ${CMAKE_BINARY_DIR}/packaging/${VELTOR_DEBIAN_NAME}.desktop @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/packaging/${VELTOR_DEBIAN_NAME}.desktop DESTINATION share/applications)
  # The icon in the sizes a desktop looks for, as far as the drawings exist.
  set(icons_dir ${PROJECT_SOURCE_DIR}/app/icons)
  foreach(side 16 32 48)
    if(EXISTS ${icons_dir}/veltor-update-${side}.png)
      install(FILES ${icons_dir}/veltor-update-${side}.png DESTINATION share/icons/hicolor/${side}x${side}/apps
              RENAME ${VELTOR_DEBIAN_NAME}.png)
    endif()
  endforeach()
  if(EXISTS ${icons_dir}/veltor-update.svg)
    install(FILES ${icons_dir}/veltor-update.svg DESTINATION share/icons/hicolor/scalable/apps
            RENAME ${VELTOR_DEBIAN_NAME}.svg)
  endif()
endif()

# What Debian's policy asks of a package: the copyright of what it carries,
# its changelog and manual pages (gzip -n: no name or time inside), and the
# AppStream metadata that software centres list. The command line's manual
# page is made from its own --help, so that it cannot drift from it.
include(${CMAKE_CURRENT_LIST_DIR}/Maker.cmake)
set(VELTOR_MAKER_WEB "http://veltor.example" CACHE STRING "About dialog: web address, with its scheme")
string(TIMESTAMP VELTOR_RELEASE_DATE "%Y-%m-%d" UTC)
# Reverse domain name of the maker's web address; the placeholder's is not a real domain.
set(VELTOR_APPSTREAM_ID "example.veltor.update" CACHE STRING "AppStream component id (the maker's domain reversed)")
if(VELTOR_PACKAGE_TEST_STANDIN)
  set(VELTOR_APPSTREAM_ID ${VELTOR_APPSTREAM_ID}_test_standin)
endif()
set(debian_dir ${CMAKE_BINARY_DIR}/packaging/debian)
find_program(VELTOR_HELP2MAN help2man REQUIRED)
find_program(VELTOR_GZIP gzip REQUIRED)
add_custom_command(
  OUTPUT ${debian_dir}/copyright
  COMMAND python3 ${PROJECT_SOURCE_DIR}/tools/notices debian-copyright --maker ${VELTOR_MAKER_NAME}
          --year ${VELTOR_RELEASE_YEAR} --header ${header_files} > ${debian_dir}/copyright
  DEPENDS ${PROJECT_SOURCE_DIR}/tools/notices
  COMMENT "Writing the Debian copyright file")
add_custom_command(
  OUTPUT ${debian_dir}/veltor-update.1.gz
  COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C.UTF-8 ${VELTOR_HELP2MAN} -L C.UTF-8 -N --no-discard-stderr
          -i ${PROJECT_SOURCE_DIR}/packaging/linux/veltor-update.h2m --version-string=${PROJECT_VERSION}
          -o ${debian_dir}/veltor-update.1 $<TARGET_FILE:veltor-update>
  COMMAND ${VELTOR_GZIP} -9nf ${debian_dir}/veltor-update.1
  DEPENDS veltor-update ${PROJECT_SOURCE_DIR}/packaging/linux/veltor-update.h2m
  COMMENT "Writing the manual page from veltor-update --help")
set(debian_files ${debian_dir}/copyright ${debian_dir}/veltor-update.1.gz)
foreach(page changelog veltor-update-gui.1)
  add_custom_command(
    OUTPUT ${debian_dir}/${page}.gz
    COMMAND ${VELTOR_GZIP} -9nc ${PROJECT_SOURCE_DIR}/packaging/linux/${page} > ${debian_dir}/${page}.gz
    DEPENDS ${PROJECT_SOURCE_DIR}/packaging/linux/${page})
  list(APPEND debian_files ${debian_dir}/${page}.gz)
endforeach()
file(MAKE_DIRECTORY ${debian_dir})
add_custom_target(veltor_debian_files ALL DEPENDS ${debian_files})
install(FILES ${debian_dir}/copyright ${debian_dir}/changelog.gz DESTINATION share/doc/${VELTOR_DEBIAN_NAME})
install(FILES ${debian_dir}/veltor-update.1.gz DESTINATION share/man/man1 RENAME ${VELTOR_CLI_NAME}.1.gz)
if(TARGET veltor-update-gui)
  install(FILES ${debian_dir}/veltor-update-gui.1.gz DESTINATION share/man/man1 RENAME ${VELTOR_GUI_NAME}.1.gz)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/linux/veltor-update.metainfo.xml.in
                 ${debian_dir}/${VELTOR_APPSTREAM_ID}.metainfo.xml @ONLY)
  install(FILES ${debian_dir}/${VELTOR_APPSTREAM_ID}.metainfo.xml DESTINATION share/metainfo)
endif()
install(FILES ${PROJECT_SOURCE_DIR}/packaging/linux/veltor-update.lintian-overrides
        DESTINATION share/lintian/overrides RENAME ${VELTOR_DEBIAN_NAME})

set(CPACK_PACKAGE_NAME ${VELTOR_DEBIAN_NAME})
set(CPACK_PACKAGE_VENDOR "VELTOR")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${VELTOR_PRODUCT_NAME}: firmware update tool for the VELTOR instrument")
set(CPACK_PACKAGE_DESCRIPTION "Updates the firmware of the VELTOR field instrument over a serial line
through its bootloader: a window (veltor-update-gui) and a command line
(veltor-update).")
if(VELTOR_PACKAGE_TEST_STANDIN)
  string(APPEND CPACK_PACKAGE_DESCRIPTION "\nTEST PACKAGE: it carries a stand-in instead of the real
firmware and must not be used on an instrument.")
endif()
set(CPACK_PACKAGE_CONTACT "VELTOR service <service@veltor.invalid>")
set(CPACK_PACKAGING_INSTALL_PREFIX ${VELTOR_PACKAGE_PREFIX})
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
# dpkg-shlibdeps adds the libraries that the programs link: Qt's, and libpulse0
# for the tone.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window needs a platform plugin, which no library it links names.
set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-qpa-plugins)
set(CPACK_DEBIAN_FILE_NAME "veltor-update_${PROJECT_VERSION}${VELTOR_PACKAGE_MARK}_amd64.deb")
set(CPACK_STRIP_FILES ON)

# Read by cpack itself, so that the refusal holds however cpack is started.
set(CPACK_VELTOR_IMAGE_SOURCE ${CMAKE_BINARY_DIR}/image/builtin_image.cpp)
set(CPACK_VELTOR_TEST_STANDIN ${VELTOR_PACKAGE_TEST_STANDIN})
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/PackageGuard.cmake)
include(CPack)

# Run by cpack before it packages: a build carrying the stand-in image is
# packaged only as an explicitly asked for test package, and a test package
# only from such a build.
if(NOT EXISTS "${CPACK_VELTOR_IMAGE_SOURCE}")
  message(FATAL_ERROR "Build the project before packaging it (${CPACK_VELTOR_IMAGE_SOURCE} is missing)")
endif()
file(STRINGS "${CPACK_VELTOR_IMAGE_SOURCE}" standin_flag REGEX "builtinFirmwareIsStandIn = true;")
if(standin_flag AND NOT CPACK_VELTOR_TEST_STANDIN)
  message(FATAL_ERROR "This build carries the stand-in firmware image, not the real firmware: refusing to "
                      "package it. Build with the real image, or configure with "
                      "-DVELTOR_PACKAGE_TEST_STANDIN=ON for a package marked TEST-STANDIN.")
endif()
if(NOT standin_flag AND CPACK_VELTOR_TEST_STANDIN)
  message(FATAL_ERROR "A TEST-STANDIN package was asked for, but this build carries a real firmware image")
endif()

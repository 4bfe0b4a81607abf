# Header-only libraries from the distribution: nlohmann-json (the service
# record) and CLI11 (the command line). A cross build for Windows uses the
# host's copies of their headers, staged on their own so that no other host
# header reaches the target's compiler.
function(veltor_host_header_library target header)
  string(REGEX REPLACE "/.*" "" top "${header}")
  find_path(VELTOR_HOST_INCLUDE_${top} ${header} NO_CMAKE_FIND_ROOT_PATH REQUIRED)
  set(staged ${CMAKE_BINARY_DIR}/host-headers/${top})
  file(COPY ${VELTOR_HOST_INCLUDE_${top}}/${top} DESTINATION ${staged})
  add_library(${target} INTERFACE IMPORTED GLOBAL)
  set_target_properties(${target} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${staged})
endfunction()

if(CMAKE_CROSSCOMPILING)
  veltor_host_header_library(nlohmann_json::nlohmann_json nlohmann/json.hpp)
  veltor_host_header_library(CLI11::CLI11 CLI/CLI.hpp)
else()
  find_package(nlohmann_json 3 REQUIRED)
  find_package(CLI11 2 REQUIRED)
endif()

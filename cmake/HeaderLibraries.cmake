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
  set_property(GLOBAL APPEND PROPERTY VELTOR_HEADER_LIBRARY_FILES ${VELTOR_HOST_INCLUDE_${top}}/${header})
endfunction()

if(CMAKE_CROSSCOMPILING)
  veltor_host_header_library(nlohmann_json::nlohmann_json nlohmann/json.hpp)
  veltor_host_header_library(CLI11::CLI11 CLI/CLI.hpp)
else()
  find_package(nlohmann_json 3 REQUIRED)
  find_package(CLI11 2 REQUIRED)
  # The licence notices name the headers the programs were compiled from.
  foreach(library IN ITEMS "nlohmann_json|nlohmann/json.hpp" "CLI11|CLI/CLI.hpp")
    string(REPLACE "|" ";" library "${library}")
    list(GET library 0 name)
    list(GET library 1 header)
    get_target_property(dirs ${name}::${name} INTERFACE_INCLUDE_DIRECTORIES)
    find_file(VELTOR_HEADER_${name} ${header} PATHS ${dirs} NO_DEFAULT_PATH REQUIRED)
    set_property(GLOBAL APPEND PROPERTY VELTOR_HEADER_LIBRARY_FILES ${VELTOR_HEADER_${name}})
  endforeach()
endif()

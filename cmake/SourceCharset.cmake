# The sources are UTF-8 and the window's texts are Ukrainian literals: they
# must reach the executable as UTF-8 bytes, whichever compiler builds it.
include(CheckCXXSourceCompiles)
if(MSVC)
  add_compile_options(/utf-8)
  set(CMAKE_REQUIRED_FLAGS /utf-8)
endif()
set(CMAKE_REQUIRED_QUIET ON)
check_cxx_source_compiles([[
static_assert(sizeof("Зв'язок") == 14, "literals are not kept as UTF-8");
int main() { return 0; }
]] VELTOR_UTF8_LITERALS)
unset(CMAKE_REQUIRED_QUIET)
unset(CMAKE_REQUIRED_FLAGS)
if(NOT VELTOR_UTF8_LITERALS)
  message(FATAL_ERROR "${CMAKE_CXX_COMPILER_ID} does not keep UTF-8 string literals as UTF-8")
endif()

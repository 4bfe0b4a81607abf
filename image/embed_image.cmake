# Turns the raw firmware image into a C++ source holding builtinFirmwareImage.
# Called at build time: cmake -DINPUT=... -DOUTPUT=... -DLENGTH=... -P embed_image.cmake
file(SIZE "${INPUT}" actual)
if(NOT actual EQUAL LENGTH)
  message(FATAL_ERROR "The built-in firmware image ${INPUT} must be exactly ${LENGTH} bytes; it has ${actual}.")
endif()
file(READ "${INPUT}" hex HEX)
string(SUBSTRING "${hex}" 0 4 head)
if(NOT head STREQUAL "0c94")
  message(FATAL_ERROR "The built-in firmware image ${INPUT} must begin with 0x0C 0x94 (a JMP in the vector table); it begins with 0x${head}.")
endif()
file(SHA256 "${INPUT}" digest)
if(digest STREQUAL STANDIN_SHA256)
  set(stand_in true)
else()
  set(stand_in false)
endif()
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
file(WRITE "${OUTPUT}.tmp"
  "// Generated from the built-in firmware image at build time. Do not edit.\n"
  "#include \"image/builtin_image.h\"\n\n"
  "const std::uint8_t builtinFirmwareImage[builtinFirmwareLength] = {\n${bytes}\n};\n\n"
  "const bool builtinFirmwareIsStandIn = ${stand_in};\n\n"
  "const char* const builtinFirmwareSha256 = \"${digest}\";\n")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")

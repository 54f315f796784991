# Writes a C++ source that holds every file of a directory as a byte array,
# reachable through kal::assets::All(). Run at build time:
#   cmake -DINPUT_DIR=<dir> -DOUTPUT=<file.cpp> -P EmbedPictures.cmake
file(GLOB files RELATIVE ${INPUT_DIR} ${INPUT_DIR}/*)
list(SORT files)
set(arrays "")
set(table "")
set(n 0)
foreach(name IN LISTS files)
  if(IS_DIRECTORY ${INPUT_DIR}/${name})
    continue()
  endif()
  file(READ ${INPUT_DIR}/${name} hex HEX)
  string(LENGTH "${hex}" hexLength)
  if(hexLength EQUAL 0)
    message(FATAL_ERROR "empty picture file: ${name}")
  endif()
  # Sixteen bytes a line.
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "((0x..,){16})" "\\1\n    " bytes "${bytes}")
  string(APPEND arrays "constexpr std::uint8_t kFile${n}[] = {\n    ${bytes}};\n")
  string(APPEND table "    {\"${name}\", kFile${n}},\n")
  math(EXPR n "${n} + 1")
endforeach()
if(n EQUAL 0)
  # Only while the pictures are first drawn: the tests then fail on every name.
  set(table "    {\"\", {}},\n")
endif()
set(source "// Generated at build time from ${INPUT_DIR}; do not edit.
#include \"assets/Assets.h\"

namespace kal::assets {
namespace {

${arrays}
constexpr Asset kAll[] = {
${table}};

}  // namespace

std::span<const Asset> All() { return kAll; }

}  // namespace kal::assets
")
# Only touch the output when it changes, so an unchanged picture set rebuilds nothing.
if(EXISTS ${OUTPUT})
  file(READ ${OUTPUT} old)
  if(old STREQUAL source)
    return()
  endif()
endif()
file(WRITE ${OUTPUT} "${source}")

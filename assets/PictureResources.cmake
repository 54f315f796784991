# The Windows build carries the pictures as RCDATA resources. One list, the
# files in assets/pictures, makes both the resource script that assets.rc
# includes and the table the resource lookup reads, so the two cannot drift:
#   kal_write_picture_resources(<pictures dir> <output dir>)
# writes <output dir>/PictureResources.rc and <output dir>/PictureResourceTable.h.
# The icon pieces (*.rt_*) are left out: assets.rc carries them as the
# executable's icon, and the lookup reads them from there.
function(kal_write_picture_resources input_dir output_dir)
  file(GLOB files RELATIVE ${input_dir} ${input_dir}/*)
  list(SORT files)
  set(script "// Generated from ${input_dir} at configure time; do not edit.\n")
  string(APPEND script "// One RCDATA resource per picture; ids as in PictureResourceTable.h.\n")
  set(table "")
  # Ids from 101 in file-name order; 1 and 30001 are the icon's.
  set(id 101)
  foreach(name IN LISTS files)
    if(IS_DIRECTORY ${input_dir}/${name} OR name MATCHES "\\.rt_[a-z_]+$")
      continue()
    endif()
    if(NOT name MATCHES "^[A-Za-z0-9._-]+$")
      message(FATAL_ERROR "picture file name not usable as a resource: ${name}")
    endif()
    string(APPEND script "${id} RCDATA \"${input_dir}/${name}\"\n")
    string(APPEND table "    {\"${name}\", ${id}},\n")
    math(EXPR id "${id} + 1")
  endforeach()
  if(id EQUAL 101)
    message(FATAL_ERROR "no pictures in ${input_dir}")
  endif()
  set(header "// Generated from ${input_dir} at configure time; do not edit.
// The RCDATA id of each picture, as PictureResources.rc numbers them.
#pragma once

#include <string_view>

namespace kal::assets {

struct PictureResource {
  std::string_view name;
  int id;
};

inline constexpr PictureResource kPictureResources[] = {
${table}};

}  // namespace kal::assets
")
  # Both are rewritten only when they change, so nothing rebuilds for nothing.
  file(CONFIGURE OUTPUT ${output_dir}/PictureResources.rc CONTENT "${script}" @ONLY)
  file(CONFIGURE OUTPUT ${output_dir}/PictureResourceTable.h CONTENT "${header}" @ONLY)
endfunction()

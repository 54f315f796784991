# Run by `cmake --install` and CPack (see Packaging.cmake): writes the saver
# theme entry, Exec naming the daemon's link under the install prefix, into
# share/applications/screensavers. Written in place rather than through a
# file in the build folder, as installs with other prefixes may run at once.
foreach(dir libexecdir datadir)
  if(IS_ABSOLUTE "${kal_${dir}}")
    set(kal_full_${dir} "${kal_${dir}}")
  else()
    set(kal_full_${dir} "${CMAKE_INSTALL_PREFIX}/${kal_${dir}}")
  endif()
endforeach()
set(KAL_SAVER_PROGRAM "${kal_full_libexecdir}/xscreensaver/kalvessa")
set(kal_entry "${kal_full_datadir}/applications/screensavers/kalvessa.desktop")
get_filename_component(kal_entry_dir "$ENV{DESTDIR}${kal_entry}" DIRECTORY)
file(MAKE_DIRECTORY "${kal_entry_dir}")
file(CHMOD "${kal_entry_dir}" DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
     WORLD_READ WORLD_EXECUTE)
message(STATUS "Installing: $ENV{DESTDIR}${kal_entry}")
configure_file("${kal_entry_template}" "$ENV{DESTDIR}${kal_entry}" @ONLY)
file(CHMOD "$ENV{DESTDIR}${kal_entry}" FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${kal_entry}")

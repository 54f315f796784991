# What `cmake --install` puts where, and CPack's packages: a .deb of the Linux
# program (`cpack -G DEB` in the build folder), a zip of Kalvessa.scr
# (`cpack -G ZIP` in the Windows one). The programs' own install rules are in
# app/linux and app/windows; the version is project()'s.
include(GNUInstallDirs)
set(kal_packaging ${CMAKE_SOURCE_DIR}/packaging)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Kalvessa maintainers")
set(CPACK_PACKAGE_CONTACT "Kalvessa maintainers <maintainers@users.noreply.c-seed-e8ed7ee6.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "screen saver: a swarm of glowing particles")
# Installed folders are 0755 whatever the builder's umask.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                                WORLD_READ WORLD_EXECUTE)

if(KAL_TARGET_WINDOWS)
  # Notes for Windows users, as Windows text (CRLF) beside Kalvessa.scr.
  foreach(note ${CMAKE_SOURCE_DIR}/README.md ${kal_packaging}/INSTALL.txt)
    get_filename_component(name ${note} NAME_WE)
    file(READ ${note} text)
    string(REPLACE "\n" "\r\n" text "${text}")
    file(WRITE ${CMAKE_BINARY_DIR}/notes/${name}.txt "${text}")
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${note})
    install(FILES ${CMAKE_BINARY_DIR}/notes/${name}.txt DESTINATION .)
  endforeach()
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_NAME Kalvessa)
  set(CPACK_PACKAGE_FILE_NAME Kalvessa-${PROJECT_VERSION}-win64)
else()
  set(doc ${CMAKE_INSTALL_DATADIR}/doc/kalvessa)
  install(FILES ${kal_packaging}/kalvessa.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  # The theme entry of MATE's and Xfce's savers names the program by the
  # daemon's link (app/linux) with its full path, so it is written when
  # installing: the prefix is then the one the files land under (the .deb's
  # /usr, `cmake --install --prefix`'s), not the one CMake was configured with.
  install(CODE "set(kal_entry_template \"${kal_packaging}/kalvessa-screensaver.desktop.in\")
set(kal_libexecdir \"${CMAKE_INSTALL_LIBEXECDIR}\")
set(kal_datadir \"${CMAKE_INSTALL_DATADIR}\")")
  install(SCRIPT ${CMAKE_SOURCE_DIR}/cmake/InstallSaverEntry.cmake)
  foreach(size 32 48 64 128 256)
    install(FILES ${kal_packaging}/icons/kalvessa-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME kalvessa.png)
  endforeach()
  install(FILES ${CMAKE_SOURCE_DIR}/README.md ${kal_packaging}/copyright DESTINATION ${doc})

  # Debian wants the changelog and manual page compressed with gzip -9n (no
  # name, no time); made when CMake runs, so any build can be installed.
  # The manual page's heading carries the version.
  find_program(KAL_GZIP gzip REQUIRED)
  configure_file(${kal_packaging}/kalvessa.6 ${CMAKE_BINARY_DIR}/packaging/kalvessa.6 @ONLY)
  configure_file(${kal_packaging}/changelog ${CMAKE_BINARY_DIR}/packaging/changelog COPYONLY)
  foreach(name changelog kalvessa.6)
    execute_process(COMMAND ${KAL_GZIP} -9nf ${CMAKE_BINARY_DIR}/packaging/${name} COMMAND_ERROR_IS_FATAL ANY)
  endforeach()
  install(FILES ${CMAKE_BINARY_DIR}/packaging/changelog.gz DESTINATION ${doc})
  install(FILES ${CMAKE_BINARY_DIR}/packaging/kalvessa.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
  # The newest entry must name this version, or the package says otherwise.
  file(STRINGS ${kal_packaging}/changelog top LIMIT_COUNT 1)
  if(NOT top MATCHES "^kalvessa \\(${PROJECT_VERSION}\\) ")
    message(WARNING "packaging/changelog's newest entry is not version ${PROJECT_VERSION}: ${top}")
  endif()

  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGE_NAME kalvessa)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_STRIP_FILES ON)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION x11)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # The dialog's Japanese captions need a Japanese face; a daemon runs it.
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-ipafont-gothic | fonts-noto-cjk")
  set(CPACK_DEBIAN_PACKAGE_SUGGESTS "xscreensaver | mate-screensaver | xsecurelock | swayidle")
  # The synopsis is CPACK_PACKAGE_DESCRIPTION_SUMMARY; this is the rest.
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Kalvessa fills the screen with black on which a swarm of glowing yellow
particles streams down from an invisible point wandering over the
screen, each particle trailing a short gold-to-black tail.
.
The package holds the program (with its settings dialog, kalvessa /c,
also in the desktop's menus), a link and a description for the
XScreenSaver daemon, which runs it as kalvessa --root, and a theme
entry for the MATE and Xfce screen savers. xsecurelock runs it too.
On a Wayland desktop it runs natively, started by an idle daemon
such as swayidle.")
endif()

include(CPack)

if(NOT KAL_TARGET_WINDOWS AND BUILD_TESTING)
  add_subdirectory(tests/package)
endif()

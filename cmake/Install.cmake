# cmake --install: the recorder, the settings and time-lapse tools and libkorvex, with a desktop entry and
# an icon.
# Installed, the program folder (/usr/local/bin) is not writable, so the settings file and snapshots live
# in $XDG_CONFIG_HOME/quorvin.
include(GNUInstallDirs)

file(RELATIVE_PATH lib_from_bin ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR})
set_target_properties(quorvin18-settings PROPERTIES INSTALL_RPATH "$ORIGIN/${lib_from_bin}")
install(TARGETS quorvin18-settings RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET quorvin18-timelapse)
  install(TARGETS quorvin18-timelapse RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
if(TARGET korvex)
  install(TARGETS korvex LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} NAMELINK_SKIP)
endif()
if(TARGET quorvin18)
  set_target_properties(quorvin18 PROPERTIES INSTALL_RPATH "$ORIGIN/${lib_from_bin}")
  install(TARGETS quorvin18 RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/data/quorvin18.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/data/quorvin18.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  install(FILES ${PROJECT_SOURCE_DIR}/examples/quorvin18.ini
          DESTINATION ${CMAKE_INSTALL_DATADIR}/quorvin/examples)
endif()

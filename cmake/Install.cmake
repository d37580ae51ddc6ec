# cmake --install: the recorder, the settings and time-lapse tools and libkorvex, with a desktop entry, an
# icon and the service units.
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

# The system service units. ExecStart names the program where this install puts it, so the units are made
# when installing (a --prefix given then counts). systemd reads units below /usr/local/lib too.
set(QUORVIN_SYSTEMD_UNIT_DIR "lib/systemd/system" CACHE STRING "Where the service units go, below the prefix")
if(TARGET quorvin18)
  foreach(unit quorvin18.service quorvin18@.service)
    install(CODE "
      set(QUORVIN_BINDIR \"${CMAKE_INSTALL_BINDIR}\")
      if(NOT IS_ABSOLUTE \"\${QUORVIN_BINDIR}\")
        set(QUORVIN_BINDIR \"\${CMAKE_INSTALL_PREFIX}/\${QUORVIN_BINDIR}\")
      endif()
      configure_file(\"${PROJECT_SOURCE_DIR}/data/systemd/${unit}.in\" \"${PROJECT_BINARY_DIR}/systemd/${unit}\" @ONLY)")
    install(FILES ${PROJECT_BINARY_DIR}/systemd/${unit} DESTINATION ${QUORVIN_SYSTEMD_UNIT_DIR})
  endforeach()
endif()

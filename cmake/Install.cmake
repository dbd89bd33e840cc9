# What `cmake --install` puts where, and the Debian package made by CPack.
include(GNUInstallDirs)

# The desktop entry and the unit name the programs by their installed path,
# which is known only when installing (cmake --install --prefix, CPack).
function(quorvel_install_configured template destination)
  get_filename_component(name ${template} NAME_WLE)
  set(staged ${PROJECT_BINARY_DIR}/packaging/staged/${name})
  install(CODE "
    set(QUORVEL_INSTALL_BINDIR \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    set(PROJECT_VERSION \"${PROJECT_VERSION}\")
    configure_file(\"${template}\" \"${staged}\" @ONLY)
    file(INSTALL \"${staged}\" DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${destination}\")
  ")
endfunction()

# The programs live in lib/quorvel beside the libraries they bind by name at
# run time (the process-status library, the skin engine), which they look
# for in their own folder first; bin holds links to them.
set(QUORVEL_PROGRAM_DIR lib/quorvel)
function(quorvel_install_program target)
  install(TARGETS ${target} RUNTIME DESTINATION ${QUORVEL_PROGRAM_DIR})
  install(CODE "
    file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    file(CREATE_LINK ../${QUORVEL_PROGRAM_DIR}/${target}
      \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${target}\" SYMBOLIC)
  ")
endfunction()

quorvel_install_program(quorvelctl)
if(TARGET quorvel_psapi)
  install(TARGETS quorvel_psapi LIBRARY DESTINATION ${QUORVEL_PROGRAM_DIR})
endif()
install(FILES ${PROJECT_SOURCE_DIR}/packaging/quorvelctl.1
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
quorvel_install_configured(${PROJECT_SOURCE_DIR}/packaging/quorvelctl-watch.service.in
  lib/systemd/user)

if(TARGET quorvel)
  quorvel_install_program(quorvel)
  quorvel_install_configured(${PROJECT_SOURCE_DIR}/packaging/quorvel.desktop.in
    ${CMAKE_INSTALL_DATADIR}/applications)
  foreach(size 16 32 48)
    install(FILES ${PROJECT_BINARY_DIR}/packaging/icons/quorvel-${size}.png
      DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
      RENAME quorvel.png)
  endforeach()
endif()

if(TARGET quorvel_skin_engine)
  # The engine as built; the program carries the same bytes and installs
  # them for each user on its first start.
  install(TARGETS quorvel_skin_engine LIBRARY DESTINATION ${QUORVEL_PROGRAM_DIR})
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Veldrin")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Quorvel1.0 desktop memory optimiser")
set(CPACK_PACKAGE_CONTACT "Veldrin <quorvel@veldrin.invalid>")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# libsqlite3 is loaded at run time, out of shlibdeps' sight.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "debconf (>= 0.5) | debconf-2.0, libsqlite3-0 (>= 3.24)")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libcap2-bin, fonts-wqy-microhei")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
  ${PROJECT_SOURCE_DIR}/packaging/debian/postinst
  ${PROJECT_SOURCE_DIR}/packaging/debian/templates
  ${PROJECT_SOURCE_DIR}/packaging/debian/config)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)

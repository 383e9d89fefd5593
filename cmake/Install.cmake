# Installation in the Linux places, and the Debian package. The autostart entry goes to
# /etc/xdg/autostart whatever the prefix: that is where sessions look for it.
include(GNUInstallDirs)

set(QUENTARIS_DOSSIER_PROGRAMME /var/lib/quentaris-serveur)
set(QUENTARIS_DOSSIER_SERVEUR /opt/quentaris/Serveur)
set(QUENTARIS_PARTAGE_UNIDATA /srv/unidata)

configure_file(packaging/quentaris-serveur.desktop.in quentaris-serveur.desktop @ONLY)
configure_file(packaging/quentaris-serveur-autostart.desktop.in quentaris-serveur-autostart.desktop @ONLY)
configure_file(packaging/prepare-site.sh.in prepare-site @ONLY)
configure_file(packaging/postinst.in debian/postinst @ONLY)

install(TARGETS quentaris-serveur RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES packaging/quentaris-serveur.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_BINARY_DIR}/quentaris-serveur.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_BINARY_DIR}/quentaris-serveur-autostart.desktop DESTINATION /etc/xdg/autostart
        RENAME quentaris-serveur.desktop)
install(PROGRAMS ${CMAKE_BINARY_DIR}/prepare-site DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/quentaris-serveur)

# A plain install prepares the site folders (under DESTDIR when given). The package does it
# in its postinst instead, so that an upgrade never replaces a site's settings or database:
# CPack stages its install under a _CPack_Packages folder, where nothing is prepared.
install(CODE "
    if(NOT \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\" MATCHES \"/_CPack_Packages/\")
        execute_process(COMMAND \"\$ENV{DESTDIR}${CMAKE_INSTALL_FULL_LIBEXECDIR}/quentaris-serveur/prepare-site\"
                                \"\$ENV{DESTDIR}\" RESULT_VARIABLE resultat)
        if(NOT resultat EQUAL 0)
            message(FATAL_ERROR \"preparation of the site folders failed\")
        endif()
    endif()
")

set(CPACK_PACKAGE_NAME quentaris-serveur)
set(CPACK_PACKAGE_VENDOR QUENTARIS)
set(CPACK_PACKAGE_CONTACT "QUENTARIS <support@quentaris.fr>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "QUENTARIS on-site update server")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "telnet, x-terminal-emulator")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/debian/postinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)

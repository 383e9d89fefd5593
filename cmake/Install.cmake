# Installation in the Linux places, and the Debian package. `make install` lays the files under
# its prefix (/usr/local by default), the package under /usr. The autostart entry goes to
# /etc/xdg/autostart whatever the prefix: that is where sessions look for it.
include(GNUInstallDirs)

# The program folder and the server folder are the package's state; the database share is the
# site's, named in configserv.ini, and never made here.
set(QUENTARIS_DOSSIER_PROGRAMME /var/lib/quentaris-serveur)
set(QUENTARIS_DOSSIER_SERVEUR /var/lib/quentaris-serveur/serveur)
# An update folder ready for the first-start screen, which only accepts an existing folder.
set(QUENTARIS_DOSSIER_MAJ /var/lib/quentaris-serveur/maj)
# The service's own user and group; administrators join the group to use the console. Those of
# the administrators' group join it when the package makes it.
set(QUENTARIS_UTILISATEUR quentaris-serveur)
set(QUENTARIS_GROUPE quentaris-serveur)
set(QUENTARIS_GROUPE_ADMINISTRATEURS sudo)
set(QUENTARIS_PREFIXE_PAQUET /usr)

# The files that name installed paths are written at install time, for the prefix of the
# install in progress: CPack installs with the package's prefix, not the one configured here.
set(QUENTARIS_VARIABLES_GABARITS QUENTARIS_DOSSIER_PROGRAMME QUENTARIS_DOSSIER_SERVEUR QUENTARIS_DOSSIER_MAJ
                                 QUENTARIS_UTILISATEUR QUENTARIS_GROUPE QUENTARIS_GROUPE_ADMINISTRATEURS)
set(valeurs "")
foreach(variable IN LISTS QUENTARIS_VARIABLES_GABARITS)
    string(APPEND valeurs "set(${variable} \"${${variable}}\")\n")
endforeach()
install(CODE "${valeurs}
    set(QUENTARIS_BINDIR \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    set(QUENTARIS_LIBEXECDIR \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBEXECDIR}\")
    set(quentaris_gabarits \"${CMAKE_SOURCE_DIR}/packaging\")
    set(quentaris_ecrits \"${CMAKE_BINARY_DIR}/installation\")
")

# Installs packaging/<gabarit> filled in for the prefix of the install in progress.
#   quentaris_installer_gabarit(<gabarit> <destination> [RENAME <nom>] [PROGRAMME])
function(quentaris_installer_gabarit gabarit destination)
    cmake_parse_arguments(ARG "PROGRAMME" "RENAME" "" ${ARGN})
    get_filename_component(nom ${gabarit} NAME_WLE)
    if(ARG_RENAME)
        set(nom ${ARG_RENAME})
    endif()
    if(NOT IS_ABSOLUTE ${destination})
        set(destination "\${CMAKE_INSTALL_PREFIX}/${destination}")
    endif()
    set(type FILE)
    if(ARG_PROGRAMME)
        set(type PROGRAM)
    endif()
    install(CODE "
        configure_file(\"\${quentaris_gabarits}/${gabarit}\" \"\${quentaris_ecrits}/${destination}/${nom}\" @ONLY)
        file(INSTALL DESTINATION \"${destination}\" TYPE ${type} FILES \"\${quentaris_ecrits}/${destination}/${nom}\")
    ")
endfunction()

install(TARGETS quentaris-serveur RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET quentaris-service)
    install(TARGETS quentaris-service RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    quentaris_installer_gabarit(quentaris-serveur.service.in lib/systemd/system)
endif()
install(FILES packaging/quentaris-serveur.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
quentaris_installer_gabarit(quentaris-serveur.desktop.in ${CMAKE_INSTALL_DATADIR}/applications)
quentaris_installer_gabarit(quentaris-serveur-autostart.desktop.in /etc/xdg/autostart RENAME quentaris-serveur.desktop)
quentaris_installer_gabarit(prepare-site.sh.in ${CMAKE_INSTALL_LIBEXECDIR}/quentaris-serveur RENAME prepare-site
                            PROGRAMME)

# Debian wants a copyright file and a changelog, the latter compressed to the utmost without a
# time stamp, as are the manual pages; the changelog names the version being built.
file(STRINGS packaging/changelog entete LIMIT_COUNT 1)
if(NOT entete MATCHES "^quentaris-serveur \\(${PROJECT_VERSION}\\) ")
    message(FATAL_ERROR "packaging/changelog does not start with version ${PROJECT_VERSION}: ${entete}")
endif()
set(quentaris_comprimes "")
foreach(source packaging/changelog docs/man/quentaris-serveur.8 docs/man/quentaris-service.8)
    get_filename_component(nom ${source} NAME)
    add_custom_command(OUTPUT ${nom}.gz
                       COMMAND gzip -9 -n -c ${CMAKE_SOURCE_DIR}/${source} > ${nom}.gz
                       DEPENDS ${source})
    list(APPEND quentaris_comprimes ${nom}.gz)
endforeach()
add_custom_target(quentaris-documents ALL DEPENDS ${quentaris_comprimes})
install(FILES packaging/copyright ${CMAKE_BINARY_DIR}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${CMAKE_BINARY_DIR}/quentaris-serveur.8.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man8)
if(TARGET quentaris-service)
    install(FILES ${CMAKE_BINARY_DIR}/quentaris-service.8.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man8)
endif()
# The site writes /etc/quentaris.ini itself, from this example.
install(FILES packaging/quentaris.ini DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)

# A plain install prepares the site folders (under DESTDIR when given). The package does it
# in its postinst instead, so that an upgrade never replaces a site's settings or database:
# CPack stages its install under a _CPack_Packages folder, where nothing is prepared.
install(CODE "
    if(NOT \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\" MATCHES \"/_CPack_Packages/\")
        execute_process(COMMAND \"\$ENV{DESTDIR}\${QUENTARIS_LIBEXECDIR}/quentaris-serveur/prepare-site\"
                                \"\$ENV{DESTDIR}\" RESULT_VARIABLE resultat)
        if(NOT resultat EQUAL 0)
            message(FATAL_ERROR \"preparation of the site folders failed\")
        endif()
    endif()
")

# The package: files under /usr, programs stripped (their debug symbols in a -dbgsym package
# beside it), the maintainer scripts that make the service's user, prepare the site and
# enable the unit.
set(QUENTARIS_LIBEXECDIR ${QUENTARIS_PREFIXE_PAQUET}/${CMAKE_INSTALL_LIBEXECDIR})
configure_file(packaging/postinst.in debian/postinst @ONLY)
configure_file(packaging/prerm debian/prerm COPYONLY)
configure_file(packaging/postrm.in debian/postrm @ONLY)
configure_file(packaging/conffiles debian/conffiles COPYONLY)

set(CPACK_PACKAGE_NAME quentaris-serveur)
set(CPACK_PACKAGE_VENDOR QUENTARIS)
set(CPACK_PACKAGE_CONTACT "QUENTARIS <support@quentaris.fr>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "QUENTARIS on-site update server")
set(CPACK_PACKAGE_DESCRIPTION
    "The on-site update server of QUENTARIS fetches the maker's updates over HTTP,
records them in its internal database, serves the site's workstations over two
TCP channels and installs server updates.

It runs as the system service quentaris-serveur.service, under its own user,
from boot. In an administrator's desktop session, quentaris-serveur shows its
French console from a tray icon.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX ${QUENTARIS_PREFIXE_PAQUET})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, qt6-translations-l10n, adduser, init-system-helpers (>= 1.54~)")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "telnet, x-terminal-emulator")
set(CPACK_DEBIAN_DEBUGINFO_PACKAGE ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/debian/postinst ${CMAKE_BINARY_DIR}/debian/prerm
                                       ${CMAKE_BINARY_DIR}/debian/postrm ${CMAKE_BINARY_DIR}/debian/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# CPack's debug package is mended once written, as Debian's tools would have made it.
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/packaging/paquet-debogage.cmake)
include(CPack)

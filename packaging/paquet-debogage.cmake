# Run by CPack once the packages are written. Its debug symbols' package (.ddeb) is mended as
# Debian's own tools make one: checksums of paths inside the package rather than of the build
# folder, and the documentation folder a link to the program's package, on which it depends.
foreach(paquet IN LISTS CPACK_PACKAGE_FILES)
    if(NOT paquet MATCHES "\\.ddeb$")
        continue()
    endif()
    get_filename_component(dossier "${paquet}" DIRECTORY)
    set(arbre "${dossier}/ddeb-arbre")
    file(REMOVE_RECURSE "${arbre}")
    execute_process(COMMAND dpkg-deb --raw-extract "${paquet}" "${arbre}" RESULT_VARIABLE resultat)
    if(NOT resultat EQUAL 0)
        message(FATAL_ERROR "${paquet} cannot be unpacked")
    endif()

    file(GLOB_RECURSE fichiers RELATIVE "${arbre}" "${arbre}/usr/*")
    list(SORT fichiers)
    set(sommes "")
    foreach(fichier IN LISTS fichiers)
        if(NOT IS_SYMLINK "${arbre}/${fichier}")
            file(MD5 "${arbre}/${fichier}" somme)
            string(APPEND sommes "${somme}  ${fichier}\n")
        endif()
    endforeach()
    file(WRITE "${arbre}/DEBIAN/md5sums" "${sommes}")

    file(STRINGS "${arbre}/DEBIAN/control" nom REGEX "^Package: ")
    string(REGEX REPLACE "^Package: (.*)-dbgsym$" "\\1" principal "${nom}")
    file(MAKE_DIRECTORY "${arbre}/usr/share/doc")
    file(CREATE_LINK "${principal}" "${arbre}/usr/share/doc/${principal}-dbgsym" SYMBOLIC)

    execute_process(COMMAND dpkg-deb --root-owner-group -Zxz --build "${arbre}" "${paquet}"
                    OUTPUT_QUIET RESULT_VARIABLE resultat)
    file(REMOVE_RECURSE "${arbre}")
    if(NOT resultat EQUAL 0)
        message(FATAL_ERROR "${paquet} cannot be written again")
    endif()
endforeach()

# Installation under a prefix (/usr in the package) and the Debian package made by CPack.
# Everything the package holds is installed from here; the version is the project's.

include(GNUInstallDirs)

set(QUORVEL_MAINTAINER "Quorvel developers <developers@quorvel.example.org>")
set(QUORVEL_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(QUORVEL_GENERATED_DIR ${PROJECT_BINARY_DIR}/packaging)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(quorvel_file_mode OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
set(quorvel_docdir ${CMAKE_INSTALL_DATAROOTDIR}/doc/quorvel)

# Programs.
install(TARGETS quorvel-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET quorvel)
    install(TARGETS quorvel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

# The defaults every user's own Data folder is seeded from, and the scanner wrapper.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/Data/ DESTINATION ${CMAKE_INSTALL_DATADIR}/quorvel/Data
        FILE_PERMISSIONS ${quorvel_file_mode})
if(EXISTS ${PROJECT_SOURCE_DIR}/src/scan/clamscan.sh)
    install(PROGRAMS ${PROJECT_SOURCE_DIR}/src/scan/clamscan.sh
            DESTINATION ${CMAKE_INSTALL_DATADIR}/quorvel/ClamAV RENAME clamscan)
endif()

# Menu entry and icon: the drawn SVG, and PNGs made from it for the fixed sizes.
install(FILES ${QUORVEL_PACKAGING_DIR}/quorvel.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications PERMISSIONS ${quorvel_file_mode})
install(FILES ${QUORVEL_PACKAGING_DIR}/quorvel.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        PERMISSIONS ${quorvel_file_mode})

set(quorvel_package_outputs)
if(QUORVEL_PACKAGE)
    find_program(RSVG_CONVERT rsvg-convert REQUIRED)
else()
    find_program(RSVG_CONVERT rsvg-convert)
endif()
if(RSVG_CONVERT)
    foreach(size 16 32 48 64 128 256)
        set(png ${QUORVEL_GENERATED_DIR}/icons/${size}x${size}/quorvel.png)
        add_custom_command(OUTPUT ${png}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${QUORVEL_GENERATED_DIR}/icons/${size}x${size}
            COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${png}
                    ${QUORVEL_PACKAGING_DIR}/quorvel.svg
            DEPENDS ${QUORVEL_PACKAGING_DIR}/quorvel.svg
            COMMENT "Icon ${size}x${size}" VERBATIM)
        list(APPEND quorvel_package_outputs ${png})
        install(FILES ${png}
                DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
                PERMISSIONS ${quorvel_file_mode})
    endforeach()
endif()

# Manual pages and the changelog, with the version filled in and compressed as Debian
# wants them (gzip -9n: no name or time stamp, so builds are reproducible).
find_program(GZIP_EXE gzip REQUIRED)
function(quorvel_gzipped source output destination)
    get_filename_component(name ${output} NAME_WE)
    set(plain ${QUORVEL_GENERATED_DIR}/${output}.plain)
    configure_file(${source} ${plain} @ONLY)
    set(gz ${QUORVEL_GENERATED_DIR}/${output}.gz)
    add_custom_command(OUTPUT ${gz}
        COMMAND ${GZIP_EXE} -9nc ${plain} > ${gz}
        DEPENDS ${plain} COMMENT "${output}.gz")
    set(quorvel_package_outputs ${quorvel_package_outputs} ${gz} PARENT_SCOPE)
    install(FILES ${gz} DESTINATION ${destination} PERMISSIONS ${quorvel_file_mode})
endfunction()
quorvel_gzipped(${QUORVEL_PACKAGING_DIR}/quorvel-cli.1.in quorvel-cli.1 ${CMAKE_INSTALL_MANDIR}/man1)
quorvel_gzipped(${QUORVEL_PACKAGING_DIR}/quorvel.1.in quorvel.1 ${CMAKE_INSTALL_MANDIR}/man1)
quorvel_gzipped(${QUORVEL_PACKAGING_DIR}/changelog.in changelog ${quorvel_docdir})
add_custom_target(quorvel_package_files ALL DEPENDS ${quorvel_package_outputs})

configure_file(${QUORVEL_PACKAGING_DIR}/copyright ${QUORVEL_GENERATED_DIR}/copyright @ONLY)
install(FILES ${QUORVEL_GENERATED_DIR}/copyright DESTINATION ${quorvel_docdir}
        PERMISSIONS ${quorvel_file_mode})

# The Debian package: quorvel_VERSION_ARCH.deb, its dependencies read from the binaries.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${QUORVEL_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop protection utility with a real-time process guard")
# CPack puts the summary on the Description line and indents these lines beneath it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Quorvel watches the programs that start on the desktop and decides for each
new one, by its mode and by a whitelist and a blacklist, to leave it, kill
it, announce it, or hold it suspended while an alert asks to allow it, block
it or kill it.

Around the guard it offers a process view, a PE-file analyser, a registry
policy guard, a virus scan of the running processes by clamscan, an update
check and a password prompt. quorvel-cli offers the same operations on a
terminal.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Opened at run time on first use (src/platform/linux/*Library.cpp), so shlibdeps cannot
# see them: libcurl for the update check (CURLOPT_PROTOCOLS_STR needs 7.85), libcrypto for
# the audit's and the self check's SHA-256. CPack adds what shlibdeps finds after these.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libcurl4 (>= 7.85.0), libssl3 (>= 3.0.0)")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS clamav)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS ${CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS})
include(CPack)

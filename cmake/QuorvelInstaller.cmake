# The Windows installer: `cmake --build <Windows build folder> --target installer` writes
# Quorvel-VERSION-x86-setup.exe or Quorvel-VERSION-x64-setup.exe into the build folder.
if(NOT TARGET quorvel OR QUORVEL_BUILD_GUI)
    return()
endif()
find_program(QUORVEL_MAKENSIS makensis)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(QUORVEL_INSTALLER_ARCH x64)
else()
    set(QUORVEL_INSTALLER_ARCH x86)
endif()
set(QUORVEL_INSTALLER
    ${CMAKE_BINARY_DIR}/Quorvel-${PROJECT_VERSION}-${QUORVEL_INSTALLER_ARCH}-setup.exe)
# The programs go in without their debugging information, whatever the build type.
set(QUORVEL_INSTALLER_STAGE ${CMAKE_BINARY_DIR}/installer-stage)
if(QUORVEL_MAKENSIS)
    add_custom_command(
        OUTPUT ${QUORVEL_INSTALLER}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${QUORVEL_INSTALLER_STAGE}
        COMMAND ${CMAKE_STRIP} --strip-debug -o ${QUORVEL_INSTALLER_STAGE}/quorvel.exe
                $<TARGET_FILE:quorvel>
        COMMAND ${CMAKE_STRIP} --strip-debug -o ${QUORVEL_INSTALLER_STAGE}/quorvel-cli.exe
                $<TARGET_FILE:quorvel-cli>
        COMMAND ${QUORVEL_MAKENSIS} -V2 -DVERSION=${PROJECT_VERSION}
                -DARCH=${QUORVEL_INSTALLER_ARCH} -DBINDIR=${QUORVEL_INSTALLER_STAGE}
                -DDATADIR=${PROJECT_SOURCE_DIR}/Data
                -DNOTE=${PROJECT_SOURCE_DIR}/packaging/windows/ClamAV-README.txt
                -DOUTFILE=${QUORVEL_INSTALLER}
                ${PROJECT_SOURCE_DIR}/packaging/windows/quorvel.nsi
        DEPENDS quorvel quorvel-cli ${PROJECT_SOURCE_DIR}/packaging/windows/quorvel.nsi
                ${PROJECT_SOURCE_DIR}/packaging/windows/ClamAV-README.txt
        COMMENT "Quorvel-${PROJECT_VERSION}-${QUORVEL_INSTALLER_ARCH}-setup.exe"
        VERBATIM)
    add_custom_target(installer DEPENDS ${QUORVEL_INSTALLER})
else()
    add_custom_target(installer COMMAND ${CMAKE_COMMAND} -E echo
                      "makensis not found: install Debian's nsis package" COMMAND false)
endif()

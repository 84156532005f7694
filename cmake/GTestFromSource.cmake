# GoogleTest for a cross build: built from Debian's sources with the cross toolchain, since
# the installed libraries are for the build machine. Gives the targets find_package(GTest)
# would: GTest::gtest, GTest::gtest_main, GTest::gmock, GTest::gmock_main.

set(QUORVEL_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
if(NOT EXISTS ${QUORVEL_GTEST_SOURCE_DIR}/CMakeLists.txt)
    message(FATAL_ERROR "GoogleTest sources not found in ${QUORVEL_GTEST_SOURCE_DIR} "
                        "(Debian package googletest)")
endif()

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
add_subdirectory(${QUORVEL_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

foreach(lib gtest gtest_main gmock gmock_main)
    if(NOT TARGET GTest::${lib})
        add_library(GTest::${lib} ALIAS ${lib})
    endif()
endforeach()

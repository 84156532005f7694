# Helpers shared by every folder's CMakeLists.txt.

# Warnings on our own code only.
function(quorvel_warnings target)
    if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
        target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow -Wconversion
                                                 -Wno-sign-conversion)
    endif()
endfunction()

# A logic library: every .cpp of the calling folder, standard C++ and the platform
# interfaces only. DEPS names other quorvel libraries it builds on.
function(quorvel_logic_library name)
    cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    if(sources)
        add_library(${name} STATIC ${sources})
        target_link_libraries(${name} PUBLIC quorvel_platform_api ${ARG_DEPS})
        quorvel_warnings(${name})
    else()
        add_library(${name} INTERFACE)
        target_link_libraries(${name} INTERFACE quorvel_platform_api ${ARG_DEPS})
    endif()
endfunction()

# A GoogleTest executable from the calling folder's *_test.cpp files (or SOURCES),
# registered with CTest. Cross builds run it through CMAKE_CROSSCOMPILING_EMULATOR.
function(quorvel_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    if(NOT ARG_SOURCES)
        file(GLOB ARG_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
    endif()
    if(NOT ARG_SOURCES)
        return()
    endif()
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gmock GTest::gtest GTest::gtest_main)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
    quorvel_warnings(${name})
    add_test(NAME ${name} COMMAND ${name})
endfunction()

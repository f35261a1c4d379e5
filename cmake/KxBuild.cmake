# Shared build settings: compiler cache, warnings and the helpers every subsystem folder
# uses to declare its library and its tests.

# Paths are made relative to the source tree so that a fresh clone in another folder (as CI
# makes) still hits the cache.
find_program(KX_CCACHE ccache)
if(KX_CCACHE)
    set(CMAKE_CXX_COMPILER_LAUNCHER
        "${CMAKE_COMMAND}" -E env "CCACHE_BASEDIR=${PROJECT_SOURCE_DIR}" CCACHE_NOHASHDIR=1 "${KX_CCACHE}")
endif()

option(KX_WARNINGS_AS_ERRORS "Treat compiler warnings as errors" ON)

add_library(kx_compile_options INTERFACE)
target_compile_options(kx_compile_options INTERFACE -Wall -Wextra -Wno-missing-field-initializers)
if(KX_WARNINGS_AS_ERRORS)
    target_compile_options(kx_compile_options INTERFACE -Werror)
endif()
target_compile_definitions(kx_compile_options INTERFACE
    QT_NO_KEYWORDS QT_NO_CAST_FROM_ASCII QT_NO_NARROWING_CONVERSIONS_IN_CONNECT)

# kx_add_library(<name> SOURCES ... [QT_MOC] [PUBLIC_LINKS ...] [PRIVATE_LINKS ...])
# A static library for one subsystem folder; its headers are included as "<folder>/<file>.h".
function(kx_add_library name)
    cmake_parse_arguments(ARG "QT_MOC" "" "SOURCES;PUBLIC_LINKS;PRIVATE_LINKS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC "${PROJECT_SOURCE_DIR}/src" "${PROJECT_BINARY_DIR}/src")
    target_link_libraries(${name} PUBLIC ${ARG_PUBLIC_LINKS} PRIVATE kx_compile_options ${ARG_PRIVATE_LINKS})
    if(ARG_QT_MOC)
        set_target_properties(${name} PROPERTIES AUTOMOC ON)
    endif()
endfunction()

# kx_add_test(<name> LABEL <subsystem> [GUI] [QT_MOC] [TIMEOUT <seconds>] SOURCES ... LINKS ...)
# One GoogleTest executable; its cases are registered with CTest under the subsystem label,
# each with a time limit (300 s unless given), so a case that hangs fails instead of holding
# up the run. GUI tests get a QApplication on the offscreen platform, the others a
# QCoreApplication.
function(kx_add_test name)
    cmake_parse_arguments(ARG "GUI;QT_MOC" "LABEL;TIMEOUT" "SOURCES;LINKS" ${ARGN})
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 300)
    endif()
    if(ARG_GUI)
        set(test_main kx_test_main_gui)
    else()
        set(test_main kx_test_main_core)
    endif()
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE kx_compile_options kx_test_support ${test_main}
        ${ARG_LINKS} GTest::gtest GTest::gmock)
    if(ARG_QT_MOC)
        set_target_properties(${name} PROPERTIES AUTOMOC ON)
    endif()
    gtest_discover_tests(${name}
        DISCOVERY_MODE PRE_TEST
        PROPERTIES LABELS "${ARG_LABEL}" TIMEOUT ${ARG_TIMEOUT}
            ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()

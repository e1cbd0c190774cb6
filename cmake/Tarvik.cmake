# Build helpers shared by every folder. Sources are picked up by glob so that adding a unit never means
# editing a list; CONFIGURE_DEPENDS makes the build notice new files.

set(TARVIK_PCH_HEADERS
    <QtCore/QObject> <QtCore/QString> <QtCore/QStringList> <QtCore/QVariant> <QtCore/QDateTime>
    <QtCore/QList> <QtCore/QHash> <QtCore/QMap> <QtCore/QByteArray> <QtCore/QPointer>
    <QtGui/QColor> <QtGui/QFont> <QtGui/QPainter> <QtWidgets/QWidget>
    <QtSql/QSqlDatabase> <QtSql/QSqlQuery>
    <memory> <functional> <vector> <string> <optional>)

function(tarvik_set_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra)
endfunction()

# The moc step of a build folder only knows the headers it saw last time, so a header or a test source added
# since (a pull, a rebase) would get no moc output and fail to link. When the globbed list changes, the step's
# stamp is removed at configure time, so the build runs it again; its outputs are restat, so only what moc
# really changed recompiles.
function(tarvik_moc_follows_sources target)
    set(list_file ${CMAKE_CURRENT_BINARY_DIR}/${target}_autogen_sources.txt)
    string(JOIN "\n" text ${ARGN})
    set(old "")
    if(EXISTS ${list_file})
        file(READ ${list_file} old)
    endif()
    if(NOT old STREQUAL text)
        file(REMOVE ${CMAKE_CURRENT_BINARY_DIR}/${target}_autogen/timestamp)
        file(WRITE ${list_file} "${text}")
    endif()
endfunction()

function(tarvik_collect_sources out)
    set(srcs)
    foreach(dir IN LISTS ARGN)
        file(GLOB found CONFIGURE_DEPENDS
            ${CMAKE_SOURCE_DIR}/${dir}/*.cpp ${CMAKE_SOURCE_DIR}/${dir}/*.h ${CMAKE_SOURCE_DIR}/${dir}/*.qrc)
        list(APPEND srcs ${found})
    endforeach()
    set(${out} ${srcs} PARENT_SCOPE)
endfunction()

# tarvik_add_library(<name> DIRS <folder>... DEPS <target>...)
# A folder with no source yet gives an interface library, so that the layers above can link it already.
function(tarvik_add_library name)
    cmake_parse_arguments(A "" "" "DIRS;DEPS" ${ARGN})
    tarvik_collect_sources(srcs ${A_DIRS})
    list(FILTER srcs INCLUDE REGEX "\\.cpp$")
    set(dirs)
    foreach(dir IN LISTS A_DIRS)
        list(APPEND dirs ${CMAKE_SOURCE_DIR}/${dir})
    endforeach()
    if(srcs)
        tarvik_collect_sources(all ${A_DIRS})
        add_library(${name} STATIC ${all})
        tarvik_moc_follows_sources(${name} ${all})
        target_include_directories(${name} PUBLIC ${dirs})
        target_link_libraries(${name} PUBLIC ${A_DEPS})
        target_precompile_headers(${name} PRIVATE ${TARVIK_PCH_HEADERS})
        tarvik_set_warnings(${name})
    else()
        add_library(${name} INTERFACE)
        target_include_directories(${name} INTERFACE ${dirs})
        target_link_libraries(${name} INTERFACE ${A_DEPS})
    endif()
endfunction()

# tarvik_add_test_program(<folder> LIBS <target>... LABELS <label> <gtest filter> [<label> <filter>]...)
# One program per folder, built once the folder holds a test source. Each label gets the test suites its
# filter matches (positive patterns only): by convention a suite's name starts with its label's prefix, and
# a parameterised suite is instantiated under that prefix too (INSTANTIATE_TEST_SUITE_P(Database, ...)).
# Whatever no filter matches still runs, labelled with the folder's name, so no test is ever lost.
function(tarvik_add_test_program folder)
    cmake_parse_arguments(A "" "" "LIBS;LABELS" ${ARGN})
    file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h
        ${CMAKE_CURRENT_SOURCE_DIR}/*.qrc)
    list(FILTER srcs INCLUDE REGEX "\\.(cpp|h|qrc)$")
    if(NOT srcs MATCHES "\\.cpp")
        return()
    endif()
    set(target test_${folder})
    add_executable(${target} ${srcs})
    tarvik_moc_follows_sources(${target} ${srcs})
    target_link_libraries(${target} PRIVATE tarvik_testsupport ${A_LIBS})
    target_precompile_headers(${target} PRIVATE ${TARVIK_PCH_HEADERS} <gtest/gtest.h>)
    target_compile_definitions(${target} PRIVATE
        TARVIK_TEST_DATA_DIR="${CMAKE_CURRENT_SOURCE_DIR}/data" TARVIK_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
    tarvik_set_warnings(${target})

    set(common DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
        WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
    set(claimed "")
    list(LENGTH A_LABELS n)
    set(i 0)
    while(i LESS n)
        list(GET A_LABELS ${i} label)
        math(EXPR j "${i} + 1")
        list(GET A_LABELS ${j} filter)
        gtest_discover_tests(${target} ${common} TEST_FILTER "${filter}" TEST_LIST ${target}_${label}
            PROPERTIES LABELS "${label}" ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
        if(claimed)
            string(APPEND claimed ":${filter}")
        else()
            set(claimed "${filter}")
        endif()
        math(EXPR i "${i} + 2")
    endwhile()
    if(claimed)
        set(rest "-${claimed}")
    else()
        set(rest "*")
    endif()
    gtest_discover_tests(${target} ${common} TEST_FILTER "${rest}" TEST_LIST ${target}_rest
        PROPERTIES LABELS "${folder}" ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()

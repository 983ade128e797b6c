# SPDX-License-Identifier: MIT
# lw_add_test(NAME SOURCES file... LIBS lib... [GUI] [NO_CTEST] [LABELS label...])
# One QtTest executable per unit. GUI tests run on the offscreen platform.
# NO_CTEST builds the executable only, for callers that register their own cases.
#
# Labels:
#   peer      starts a real peer (a server, a namespace, an X server): needs root,
#             and fails instead of skipping under LW_REQUIRE_PEERS=1
#   sanitize  covers a parser or the script engine: the sanitizer build
#             (LW_SANITIZE) builds these alone, as the target lw_sanitized_tests
add_custom_target(lw_sanitized_tests)

# Qt's headers are most of what a test costs to compile, so every test reads
# them precompiled: once for the tests without a GUI library and once for
# those with Qt Widgets, which changes what QtTest declares. Made beside the
# first test that needs them, since the tests' own folder is part of what they
# are compiled with.
function(lw_test_pch target)
    if(TARGET ${target})
        return()
    endif()
    add_library(${target} STATIC ${PROJECT_SOURCE_DIR}/tests/support/Precompiled.cpp)
    target_link_libraries(${target} PRIVATE Qt6::Test Qt6::Network ${ARGN})
    target_precompile_headers(${target} PRIVATE <QCoreApplication> <QDir> <QFile> <QObject> <QProcess> <QSignalSpy>
                              <QString> <QStringList> <QTemporaryDir> <QTest>)
endfunction()

function(lw_add_test name)
    cmake_parse_arguments(T "GUI;NO_CTEST" "" "SOURCES;LIBS;LABELS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS} Qt6::Test Qt6::Network)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
    if(T_GUI)
        lw_test_pch(lw_test_pch_widgets Qt6::Widgets)
        target_precompile_headers(${name} REUSE_FROM lw_test_pch_widgets)
    elseif(NOT "Qt6::Gui" IN_LIST T_LIBS) # Qt GUI without the widgets: too few such tests to share one
        lw_test_pch(lw_test_pch)
        target_precompile_headers(${name} REUSE_FROM lw_test_pch)
    endif()
    # Moc's output for the test's own helpers reads few headers: loading the precompiled ones costs it more.
    set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/${name}_autogen/mocs_compilation.cpp
                                PROPERTIES SKIP_PRECOMPILE_HEADERS ON)
    if("sanitize" IN_LIST T_LABELS)
        add_dependencies(lw_sanitized_tests ${name})
    endif()
    if(T_NO_CTEST)
        return()
    endif()
    add_test(NAME ${name} COMMAND ${name})
    set(env "LW_BIN_DIR=${CMAKE_RUNTIME_OUTPUT_DIRECTORY}" "LW_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
    if(T_GUI)
        # No desktop session either: the window's notifications stay off the developer's desktop.
        list(APPEND env "QT_QPA_PLATFORM=offscreen" "DBUS_SESSION_BUS_ADDRESS=unix:path=/dev/null")
    endif()
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}" LABELS "${T_LABELS}" TIMEOUT 300)
endfunction()

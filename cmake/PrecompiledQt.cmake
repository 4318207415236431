# Precompiled Qt headers.
#
# Two small hosts compile the Qt headers most sources include once per build:
# quandel_pch_core (Qt Core) and quandel_pch_widgets (Qt Core, Gui and
# Widgets). quandel_precompile_qt() at the end of the top CMakeLists.txt hands
# every target of the tree the one that fits what it compiles against, through
# REUSE_FROM: a target that links Qt Widgets (directly or through a library's
# public links) reuses the widgets header, one that links Qt Core only the core
# header, a target without Qt none.
#
# Reuse needs the compile flags of the host: the hosts link quandel_options
# and their Qt module only, so every user has the same flags and at least the
# same definitions (the Qt headers in them test none of the definitions
# the users add, such as QT_TESTLIB_LIB). GCC checks this when a source is
# compiled (-Winvalid-pch, an error under CMAKE_COMPILE_WARNING_AS_ERROR),
# clang always.
#
# A source still includes what it uses: the lint stage (tools/lint.sh) checks
# every source without the precompiled header, so a missing include shows
# there. CMAKE_DISABLE_PRECOMPILE_HEADERS=ON builds without them.

set(QUANDEL_PCH_CORE_HEADERS
    <QByteArray> <QCoreApplication> <QDateTime> <QDir> <QElapsedTimer> <QFile> <QFileInfo> <QHash> <QList>
    <QLocale> <QObject> <QPointer> <QRegularExpression> <QString> <QStringList> <QTimer> <QVariant>)
set(QUANDEL_PCH_WIDGETS_HEADERS
    ${QUANDEL_PCH_CORE_HEADERS}
    <QAction> <QApplication> <QComboBox> <QDialog> <QHBoxLayout> <QKeyEvent> <QLabel> <QLineEdit> <QListWidget>
    <QPlainTextEdit> <QPushButton> <QTextBlock> <QVBoxLayout> <QWidget>)

file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/pch/PrecompiledQt.cpp
    CONTENT "// The source of the precompiled Qt headers' hosts (cmake/PrecompiledQt.cmake).\n")
foreach(kind core widgets)
    add_library(quandel_pch_${kind} OBJECT ${CMAKE_BINARY_DIR}/pch/PrecompiledQt.cpp)
    set_target_properties(quandel_pch_${kind} PROPERTIES AUTOMOC OFF AUTORCC OFF)
endforeach()
target_link_libraries(quandel_pch_core PRIVATE quandel_options Qt6::Core)
target_precompile_headers(quandel_pch_core PRIVATE ${QUANDEL_PCH_CORE_HEADERS})
target_link_libraries(quandel_pch_widgets PRIVATE quandel_options Qt6::Widgets)
target_precompile_headers(quandel_pch_widgets PRIVATE ${QUANDEL_PCH_WIDGETS_HEADERS})

# _quandel_qt_usage(<target> <out-var>): widgets, core or none, from the
# target's own links and the public links of the targets it links ($<LINK_ONLY:>
# entries give no headers and are left out).
function(_quandel_qt_usage target out)
    set(pending ${target})
    set(seen "")
    set(usage none)
    while(pending)
        list(POP_FRONT pending current)
        if(current IN_LIST seen)
            continue()
        endif()
        list(APPEND seen ${current})
        if(current STREQUAL "Qt6::Widgets")
            set(usage widgets)
            break()
        elseif(current STREQUAL "Qt6::Core")
            set(usage core)
        endif()
        if(NOT TARGET ${current})
            continue()
        endif()
        get_target_property(type ${current} TYPE)
        set(links "")
        if(current STREQUAL target AND NOT type STREQUAL "INTERFACE_LIBRARY")
            get_target_property(links ${current} LINK_LIBRARIES)
        else()
            get_target_property(links ${current} INTERFACE_LINK_LIBRARIES)
        endif()
        foreach(link IN LISTS links)
            if(link AND NOT link MATCHES "^\\$<LINK_ONLY:")
                list(APPEND pending ${link})
            endif()
        endforeach()
    endwhile()
    set(${out} ${usage} PARENT_SCOPE)
endfunction()

# quandel_precompile_qt([<directory>]): gives every compiled target of the
# directory and its subdirectories the fitting precompiled header.
function(quandel_precompile_qt)
    set(directory ${CMAKE_CURRENT_SOURCE_DIR})
    if(ARGC GREATER 0)
        set(directory ${ARGV0})
    endif()
    get_property(targets DIRECTORY ${directory} PROPERTY BUILDSYSTEM_TARGETS)
    foreach(target IN LISTS targets)
        get_target_property(type ${target} TYPE)
        if(NOT type MATCHES "^(EXECUTABLE|STATIC_LIBRARY|SHARED_LIBRARY|OBJECT_LIBRARY)$"
           OR target MATCHES "^quandel_pch_")
            continue()
        endif()
        _quandel_qt_usage(${target} usage)
        if(NOT usage STREQUAL "none")
            target_precompile_headers(${target} REUSE_FROM quandel_pch_${usage})
        endif()
    endforeach()
    get_property(subdirectories DIRECTORY ${directory} PROPERTY SUBDIRECTORIES)
    foreach(subdirectory IN LISTS subdirectories)
        quandel_precompile_qt(${subdirectory})
    endforeach()
endfunction()

# quandel_add_test(NAME <name> SOURCES <files...> LIBS <targets...> [NEEDS_GUI])
#
# One QtTest executable registered with CTest. Tests run with the offscreen
# platform and with HOME and the XDG folders pointing into the build tree, so
# no test ever reads or writes the real user's settings.
function(quandel_add_test)
    cmake_parse_arguments(T "NEEDS_GUI" "NAME" "SOURCES;LIBS" ${ARGN})
    foreach(source IN LISTS T_SOURCES)
        if(NOT EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${source})
            message(WARNING "${T_NAME}: ${source} is missing; the test is left out")
            return()
        endif()
    endforeach()
    add_executable(${T_NAME} ${T_SOURCES})
    # Tests run from the program folder, where brenlow and the help content
    # lie beside them as beside quandel.
    set_target_properties(${T_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
    target_link_libraries(${T_NAME} PRIVATE quandel_options Qt6::Test ${T_LIBS})
    add_test(NAME ${T_NAME} COMMAND ${T_NAME})
    set(home ${CMAKE_BINARY_DIR}/test-home/${T_NAME})
    set(env
        "QT_QPA_PLATFORM=offscreen"
        "HOME=${home}"
        "XDG_CONFIG_HOME=${home}/.config"
        "XDG_DATA_HOME=${home}/.local/share"
        "XDG_CACHE_HOME=${home}/.cache"
        "XDG_RUNTIME_DIR=${home}/run"
        "QUANDEL_BIN_DIR=${CMAKE_BINARY_DIR}/bin"
        "QUANDEL_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
    set_tests_properties(${T_NAME} PROPERTIES ENVIRONMENT "${env}" TIMEOUT 300)
endfunction()

# quandel_add_desktop_test(NAME <name> SCRIPT <file.py> [TIMEOUT <s>])
#
# One end-to-end test under a private X server with a window manager and the
# accessibility bus (tests/desktop/desktopsession.py), labelled `desktop`.
# It drives the real quandel and brenlow of the build's bin folder.
function(quandel_add_desktop_test)
    cmake_parse_arguments(T "" "NAME;SCRIPT;TIMEOUT" "" ${ARGN})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 150)
    endif()
    # Debian's python, which has python3-pyatspi.
    find_program(QUANDEL_SYSTEM_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH)
    if(NOT QUANDEL_SYSTEM_PYTHON)
        find_program(QUANDEL_SYSTEM_PYTHON python3)
    endif()
    if(NOT QUANDEL_SYSTEM_PYTHON)
        message(WARNING "${T_NAME}: no python3; the desktop test is left out")
        return()
    endif()
    add_test(NAME ${T_NAME} COMMAND ${QUANDEL_SYSTEM_PYTHON} -u ${CMAKE_CURRENT_SOURCE_DIR}/${T_SCRIPT})
    set(env
        "QUANDEL_BIN_DIR=${CMAKE_BINARY_DIR}/bin"
        "QUANDEL_SOURCE_DIR=${CMAKE_SOURCE_DIR}"
        "PYTHONPATH=${CMAKE_SOURCE_DIR}/tests/desktop"
        "PYTHONDONTWRITEBYTECODE=1")
    set_tests_properties(${T_NAME} PROPERTIES ENVIRONMENT "${env}" TIMEOUT ${T_TIMEOUT} LABELS desktop)
endfunction()

# quandel_add_test(NAME <name> SOURCES <files...> LIBS <targets...> [NEEDS_GUI])
#
# One QtTest executable registered with CTest. Tests run with the offscreen
# platform and with HOME and the XDG folders pointing into the build tree, so
# no test ever reads or writes the real user's settings.
function(quandel_add_test)
    cmake_parse_arguments(T "NEEDS_GUI" "NAME" "SOURCES;LIBS" ${ARGN})
    add_executable(${T_NAME} ${T_SOURCES})
    set_target_properties(${T_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
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

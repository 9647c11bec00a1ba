# Installs the build into a fresh prefix and runs the installed window offscreen: the desktop
# entry must validate, the icon sit in the hicolor theme at the usual sizes, the testing guide
# where the program looks for it, and the program must open its window without a warning.
# Arguments: -DBUILD_DIR=<build folder> -DPREFIX=<empty folder to install into>
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
    RESULT_VARIABLE installed OUTPUT_QUIET)
if(NOT installed EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${installed}")
endif()

set(expected bin/varnolet share/applications/varnolet.desktop share/varnolet/TESTING.md
    share/icons/hicolor/scalable/apps/varnolet.svg)
foreach(size 16 24 32 48 64 128 256 512)
    list(APPEND expected share/icons/hicolor/${size}x${size}/apps/varnolet.png)
endforeach()
foreach(file IN LISTS expected)
    if(NOT EXISTS "${PREFIX}/${file}")
        message(FATAL_ERROR "not installed: ${file}")
    endif()
endforeach()

find_program(validate desktop-file-validate)
if(NOT validate)
    message(FATAL_ERROR "desktop-file-validate is missing; scripts/setup installs it")
endif()
execute_process(COMMAND "${validate}" "${PREFIX}/share/applications/varnolet.desktop"
    RESULT_VARIABLE valid OUTPUT_VARIABLE complaints ERROR_VARIABLE complaints)
if(NOT valid EQUAL 0 OR NOT complaints STREQUAL "")
    message(FATAL_ERROR "the desktop entry does not validate:\n${complaints}")
endif()

# Still running after a few seconds means the window opened; a failed load exits at once.
file(MAKE_DIRECTORY "${PREFIX}/home" "${PREFIX}/runtime")
file(CHMOD "${PREFIX}/runtime" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
execute_process(COMMAND "${CMAKE_COMMAND}" -E env --unset=XDG_DATA_HOME --unset=VARNOLET_STORE
        QT_QPA_PLATFORM=offscreen HOME=${PREFIX}/home XDG_RUNTIME_DIR=${PREFIX}/runtime
        "${PREFIX}/bin/varnolet" --demo
    TIMEOUT 4 RESULT_VARIABLE ran OUTPUT_VARIABLE said ERROR_VARIABLE said)
if(NOT ran MATCHES "timeout")
    message(FATAL_ERROR "the installed program ended early (${ran}):\n${said}")
endif()
if(NOT said STREQUAL "")
    message(FATAL_ERROR "the installed program warned:\n${said}")
endif()

# What kestrun.exe and kestrun-check.exe need beside them on a Windows without Qt, for a build
# with mingw-w64 (scripts/build-windows.sh): the Qt DLLs, the Windows platform plugin and the
# native style, the QML modules the window imports, OpenSSL (Qt loads it at run time for https,
# so nothing imports it and no import scan would find it), the compiler's run-time DLLs, and a
# qt.conf that makes Qt look for its QML modules in qml/ beside the executable and nowhere else.
get_filename_component(qt_prefix "${Qt5_DIR}/../../.." ABSOLUTE)

foreach(module Core Concurrent Gui Network Qml QmlModels QmlWorkerScript Quick Widgets)
    install(FILES ${qt_prefix}/bin/Qt5${module}.dll DESTINATION .)
endforeach()
install(FILES ${qt_prefix}/bin/libssl-3-x64.dll ${qt_prefix}/bin/libcrypto-3-x64.dll DESTINATION .)
install(FILES ${qt_prefix}/plugins/platforms/qwindows.dll DESTINATION platforms)
install(FILES ${qt_prefix}/plugins/styles/qwindowsvistastyle.dll DESTINATION styles)

foreach(runtime libgcc_s_seh-1.dll libstdc++-6.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${runtime}
                    OUTPUT_VARIABLE runtime_path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT EXISTS ${runtime_path})
        message(FATAL_ERROR "${CMAKE_CXX_COMPILER} has no ${runtime} to ship")
    endif()
    install(FILES ${runtime_path} DESTINATION .)
endforeach()

file(WRITE ${CMAKE_BINARY_DIR}/qt.conf "[Paths]\nPrefix=.\n")
install(FILES ${CMAKE_BINARY_DIR}/qt.conf DESTINATION .)

# The QML modules: those qmlimportscanner, Qt's own tool, finds the window's files importing,
# with the modules they import in turn, asked again at every install.
find_program(KESTRUN_QMLIMPORTSCANNER qmlimportscanner HINTS ${qt_prefix}/bin NO_DEFAULT_PATH
             REQUIRED)
install(CODE "
    execute_process(COMMAND \"${KESTRUN_QMLIMPORTSCANNER}\" -rootPath \"${CMAKE_SOURCE_DIR}/qml\"
                            -importPath \"${qt_prefix}/qml\"
                    OUTPUT_VARIABLE imports COMMAND_ERROR_IS_FATAL ANY)
    string(JSON count LENGTH \"\${imports}\")
    math(EXPR last \"\${count} - 1\")
    foreach(i RANGE \${last})
        string(JSON path ERROR_VARIABLE none GET \"\${imports}\" \${i} path)
        string(JSON relative ERROR_VARIABLE none GET \"\${imports}\" \${i} relativePath)
        # Modules of the program's own and the scanner's file entries have no folder to ship.
        if(IS_DIRECTORY \"\${path}\" AND relative)
            get_filename_component(parent \"qml/\${relative}\" DIRECTORY)
            file(INSTALL \"\${path}\" DESTINATION \"\${CMAKE_INSTALL_PREFIX}/\${parent}\")
        endif()
    endforeach()
")

# The Windows program folder when the program is cross-built on Linux with
# MinGW. Qt's deployment script would run windeployqt, a Windows program that
# a cross-build does not have, so the files it would copy are installed here
# by name. The folder is flat, as Qt looks for its plugins below the
# executable's folder by default: no qt.conf is needed.
#
#   kalvidor.exe, kalvidor-cli.exe
#   Qt6Core.dll, Qt6Gui.dll, Qt6Widgets.dll, Qt6SerialPort.dll
#   platforms/qwindows.dll, styles/qwindowsvistastyle.dll
#   libgcc_s_seh-1.dll, libstdc++-6.dll, libwinpthread-1.dll (MinGW's runtime)
#   qtbase_ja.qm (Qt's own dialog texts in Japanese)

foreach(module Core Gui Widgets SerialPort)
    install(FILES $<TARGET_FILE:Qt6::${module}> DESTINATION .)
endforeach()
install(FILES $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin> DESTINATION platforms)
if(TARGET Qt6::QWindowsVistaStylePlugin)
    install(FILES $<TARGET_FILE:Qt6::QWindowsVistaStylePlugin> DESTINATION styles)
endif()

foreach(dll libgcc_s_seh-1.dll libstdc++-6.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
        OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
        message(FATAL_ERROR "MinGW's ${dll} not found (the compiler says \"${path}\")")
    endif()
    install(FILES ${path} DESTINATION .)
endforeach()

# The Japanese translation is the same file on every platform; a cross-build
# takes the host's (KALVIDOR_QT_TRANSLATIONS, Debian's qt6-translations-l10n).
set(KALVIDOR_QT_TRANSLATIONS "" CACHE PATH "Folder holding Qt's qtbase_ja.qm for the program folder")
if(KALVIDOR_QT_TRANSLATIONS)
    if(NOT EXISTS "${KALVIDOR_QT_TRANSLATIONS}/qtbase_ja.qm")
        message(FATAL_ERROR "no qtbase_ja.qm in ${KALVIDOR_QT_TRANSLATIONS}")
    endif()
    install(FILES "${KALVIDOR_QT_TRANSLATIONS}/qtbase_ja.qm" DESTINATION .)
endif()

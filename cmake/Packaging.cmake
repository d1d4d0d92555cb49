# `cmake --install` lays out the program folder and `cpack` archives it.
#
# The folder is flat: kalvidor(.exe) and kalvidor-cli(.exe) at the top, where
# the table and settings files go too. On Windows Qt's deployment script
# (windeployqt) copies the Qt libraries beside the executable, the plugins
# below plugins/ and writes a qt.conf that points there. Qt 6.4 deploys
# nothing on Linux: there the program uses the system's Qt, which the Debian
# packages provide.

# The programs at the top of the folder, beside the files they keep there
# (IdCodeTable.csv, Kalvidor.ini). `./dev package` builds the target
# kalvidor_programs, so that it builds every program these rules install.
set(kalvidor_programs kalvidor kalvidor-cli)
install(TARGETS ${kalvidor_programs} RUNTIME DESTINATION .)
add_custom_target(kalvidor_programs)
add_dependencies(kalvidor_programs ${kalvidor_programs})

if(WIN32 AND CMAKE_CROSSCOMPILING)
    include(${CMAKE_CURRENT_LIST_DIR}/WindowsDeploy.cmake)
elseif(NOT APPLE)
    qt_generate_deploy_app_script(
        TARGET kalvidor
        FILENAME_VARIABLE kalvidor_deploy_script
        NO_UNSUPPORTED_PLATFORM_ERROR
    )
    # The deployment script puts the Qt libraries where it expects the
    # executable: make that the top of the folder.
    install(CODE "set(QT_DEPLOY_BIN_DIR \".\")")
    install(SCRIPT "${kalvidor_deploy_script}")
endif()

if(MSVC)
    # The compiler's runtime DLLs beside the executable. MinGW's are copied by
    # windeployqt.
    set(CMAKE_INSTALL_SYSTEM_RUNTIME_DESTINATION .)
    include(InstallRequiredSystemLibraries)
endif()

set(CPACK_PACKAGE_NAME kalvidor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Configures the IC-tag alarm unit over a serial line")
if(WIN32)
    set(CPACK_GENERATOR ZIP)
else()
    set(CPACK_GENERATOR TGZ)
endif()
# kalvidor-<version>-<system>/ inside the archive: unpacking it gives the
# program folder.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_VERBATIM_VARIABLES ON)
# Only binary archives; the sources are the repository.
set(CPACK_SOURCE_GENERATOR "")
include(CPack)

# The desktop integration under the FHS paths, and the Debian package: `cpack -G DEB` in the build
# folder after the build, or `cmake --install BUILD --prefix PREFIX` for a plain install.
# The paths and the package are those of Linux desktops; a Windows installer is another matter.
if(NOT UNIX)
    return()
endif()
include(GNUInstallDirs)
set(DORMIVA_APP_ID org.vardolin.Dormiva)
set(packaging_source ${PROJECT_SOURCE_DIR}/packaging)
set(packaging_binary ${PROJECT_BINARY_DIR}/packaging)

# The demo's hosts are no command of their own: the program starts them from libexec.
install(TARGETS dormiva-testhost RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/dormiva)
install(FILES ${packaging_source}/${DORMIVA_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# The PNG sizes are rendered from the SVG (rsvg-convert -w SIZE -h SIZE) and kept in the sources, so
# the build needs no renderer.
install(FILES ${packaging_source}/icons/${DORMIVA_APP_ID}.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 48 256)
    install(FILES ${packaging_source}/icons/${size}/${DORMIVA_APP_ID}.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

# Dates from the build time stamp (the last commit), so that the files stay the same from build to build.
string(TIMESTAMP DORMIVA_RELEASE_DATE "%Y-%m-%d" UTC)
string(TIMESTAMP DORMIVA_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(${packaging_source}/${DORMIVA_APP_ID}.metainfo.xml.in
    ${packaging_binary}/${DORMIVA_APP_ID}.metainfo.xml @ONLY)
configure_file(${packaging_source}/changelog.in ${packaging_binary}/changelog @ONLY)
install(FILES ${packaging_binary}/${DORMIVA_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Debian wants the manual page and the changelog compressed, without a time stamp inside.
find_program(GZIP_PROGRAM gzip REQUIRED)
set(compressed)
foreach(file ${packaging_source}/dormiva.1 ${packaging_source}/dormiva-cli.1 ${packaging_binary}/changelog)
    get_filename_component(name ${file} NAME)
    add_custom_command(OUTPUT ${packaging_binary}/${name}.gz
        COMMAND ${GZIP_PROGRAM} -9 -n -c ${file} > ${packaging_binary}/${name}.gz
        DEPENDS ${file})
    list(APPEND compressed ${packaging_binary}/${name}.gz)
endforeach()
add_custom_target(dormiva_packaging_files ALL DEPENDS ${compressed})
install(FILES ${packaging_binary}/dormiva.1.gz ${packaging_binary}/dormiva-cli.1.gz
    DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${packaging_source}/dormiva-cli.bash-completion
    DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME dormiva-cli)
install(FILES ${packaging_binary}/changelog.gz ${packaging_source}/copyright
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/dormiva)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME dormiva)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Vardolin)
set(CPACK_PACKAGE_CONTACT "Dormiva maintainers <maintainers@vardolin.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "shut down or restart the Windows computers of a network")
set(CPACK_PACKAGE_DESCRIPTION
    "Dormiva keeps a tree of groups and computers, shows which computers answer,
and shuts down or restarts the checked ones through WMI over WS-Management,
under the credentials that the computer, its group or the program-wide
defaults prescribe. Every outcome is logged.
.
The demo (dormiva --demo) shows the whole job on simulated Windows computers
on this machine.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://vardolin.example.org/dormiva/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads its platform plugins at run time, out of the linker's sight.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
include(CPack)

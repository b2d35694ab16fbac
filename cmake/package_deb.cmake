# The Linux port's Debian package (cpack -G DEB, or scripts/package):
#   /usr/lib/varnet-client/varnet-client and webext/varnet-webext.so beside it, where the client
#   looks for its web extension first; /usr/bin/varnet-client, a launcher that starts it in the
#   user's own client folder; /usr/bin/varnet-cli; the desktop entry and its icon.
# Dependencies come from the programs' shared libraries (dpkg-shlibdeps), plus the 7-Zip library
# and the desktop's opener, which the client loads and starts at run time.
set(VARNET_PACKAGE_DIR lib/varnet-client)
install(TARGETS varnet-client RUNTIME DESTINATION ${VARNET_PACKAGE_DIR})
install(TARGETS varnet-webext LIBRARY DESTINATION ${VARNET_PACKAGE_DIR}/webext)
install(TARGETS varnet-cli RUNTIME DESTINATION bin)
install(PROGRAMS ${PROJECT_SOURCE_DIR}/packaging/linux/varnet-client.sh
        DESTINATION bin RENAME varnet-client)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/linux/varnet-client.desktop
        DESTINATION share/applications)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/linux/varnet-client.svg
        DESTINATION share/icons/hicolor/scalable/apps)

# Packaging installs what is built; it does not build everything (tests, benchmarks) first.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME varnet-client)
set(CPACK_PACKAGE_VERSION ${VARNET_CLIENT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Varnet game portal client")
set(CPACK_PACKAGE_CONTACT "Varnet operators <operators@varnet.invalid>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "p7zip-full")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Shows the Varnet portal's page in a frameless window (WebKitGTK) and lets it install,\n start and remove games; varnet-cli checks game packages.")
include(CPack)

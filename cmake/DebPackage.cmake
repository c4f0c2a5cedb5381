# The system-wide layout of the Debian package: the program in /usr/bin and
# its menu entry, icons and AppStream data under /usr/share. These rules form
# the component "system", which a plain `cmake --install` and the folder
# package leave out; the DEB generator installs that component alone
# (cmake/CPackProject.cmake).
if(NOT UNIX OR APPLE)
    return()
endif()
include(GNUInstallDirs)

set(QUOTARIUM_APP_ID com.example.Quotarium)
set(_desktop_dir ${PROJECT_SOURCE_DIR}/src/app/desktop)
set(_icon_dir ${PROJECT_SOURCE_DIR}/src/app/icons)
set(QUOTARIUM_DESKTOP_FILE ${_desktop_dir}/${QUOTARIUM_APP_ID}.desktop)
set(QUOTARIUM_METAINFO_FILE ${PROJECT_BINARY_DIR}/${QUOTARIUM_APP_ID}.metainfo.xml)
configure_file(${_desktop_dir}/${QUOTARIUM_APP_ID}.metainfo.xml.in ${QUOTARIUM_METAINFO_FILE} @ONLY)

set(_system COMPONENT system EXCLUDE_FROM_ALL)
install(TARGETS quotarium RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} ${_system})
install(FILES ${QUOTARIUM_DESKTOP_FILE} DESTINATION ${CMAKE_INSTALL_DATADIR}/applications ${_system})
install(FILES ${QUOTARIUM_METAINFO_FILE} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo ${_system})
set(QUOTARIUM_ICON_SIZES 16 24 32 48 64 128 256)
foreach(size IN LISTS QUOTARIUM_ICON_SIZES)
    install(FILES ${_icon_dir}/quotarium_${size}.png RENAME quotarium.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps ${_system})
endforeach()
install(FILES ${_icon_dir}/quotarium.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps ${_system})

set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/CPackProject.cmake)
set(CPACK_QUOTARIUM_BUILD_DIR ${PROJECT_BINARY_DIR})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Quotarium developers <quotarium@example.com>")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "http://www.example.com/quotarium/")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "stock ticker for Shanghai and Shenzhen shares
Keeps one list of stock codes with remarks and shows the name, price and
change of each in a small window that can stay on top and hides to the
system tray, with chart images, refreshed every 30 seconds.")
# The libraries the program links come from dpkg-shlibdeps. The platform
# plugin, the GIF reader and the TLS backend ship in those libraries' own
# packages; Chinese glyphs and Qt's Chinese catalogs do not.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wqy-microhei | fonts-noto-cjk, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

if(QUOTARIUM_BUILD_TESTS OR QUOTARIUM_BUILD_E2E)
    add_test(NAME package_desktop_entry COMMAND desktop-file-validate ${QUOTARIUM_DESKTOP_FILE})
    add_test(NAME package_metainfo COMMAND appstreamcli validate --no-net ${QUOTARIUM_METAINFO_FILE})
    set_tests_properties(package_desktop_entry package_metainfo PROPERTIES LABELS package)
endif()
# The end-to-end build makes the package from itself, then installs it and
# starts the program as an ordinary user on the X desktop of its checks.
if(QUOTARIUM_BUILD_E2E)
    set(_deb_dir ${PROJECT_BINARY_DIR}/deb-check)
    string(REPLACE ";" "," _sizes "${QUOTARIUM_ICON_SIZES}")
    add_test(NAME package_deb COMMAND ${CMAKE_COMMAND}
        -DBUILD_DIR=${PROJECT_BINARY_DIR} -DOUT_DIR=${_deb_dir} -DCPACK=${CMAKE_CPACK_COMMAND}
        -DAPP_ID=${QUOTARIUM_APP_ID} -DICON_SIZES=${_sizes}
        -P ${PROJECT_SOURCE_DIR}/cmake/CheckDeb.cmake)
    add_test(NAME package_installed COMMAND e2e_desktop installedPackageKeepsTheUsersList)
    set_tests_properties(package_deb PROPERTIES LABELS package FIXTURES_SETUP quotarium_deb)
    set_tests_properties(package_installed PROPERTIES
        LABELS package
        FIXTURES_REQUIRED quotarium_deb
        RUN_SERIAL TRUE
        TIMEOUT 120
        ENVIRONMENT "QTEST_FUNCTION_TIMEOUT=60000;QUOTARIUM_E2E_DEB=${_deb_dir}")
endif()

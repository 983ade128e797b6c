# SPDX-License-Identifier: MIT
# A Debian package of the installed tree: cpack -G DEB (see scripts/package).
set(CPACK_PACKAGE_NAME line-warden)
set(CPACK_PACKAGE_VENDOR "Line Warden")
set(CPACK_PACKAGE_CONTACT "Line Warden maintainers <maintainers@line-warden.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Desktop monitor for a home DSL router")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Logs in to the router over telnet, records its line statistics (connection\nrates, attenuation, noise margins) in stats.csv and stats.txt, and pings one\naddress to show UP or DOWN in its window and tray icon.")
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
# Library dependencies come from dpkg-shlibdeps; what it cannot see is named here:
# Qt's platform plugins, the font the fixed layout is measured for, and setcap for the post-install step.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-liberation, libcap2-bin")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/postinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)

# Installation and the Debian package.
#
# Quillon opens Codes.htm from the folder of its own executable, so the two
# live together in a private folder, PREFIX/lib/quillon, and the command on
# the PATH, PREFIX/bin/quillon, is a relative link to the executable (Qt's
# application folder is that of the link's target, read from /proc/self/exe).
# The desktop entry and the icons in the hicolor theme put Quillon in the
# application menu.

if(NOT TARGET quillon)
  return()  # a build without the program (fuzzing) installs nothing
endif()

set(QUILLON_PRIVATE_DIR lib/quillon)
# Every rule is of the component "quillon", so a test can install it alone
# (cmake --install --component quillon) without touching install_manifest.txt.

install(TARGETS quillon RUNTIME DESTINATION ${QUILLON_PRIVATE_DIR} COMPONENT quillon)
# The libcurl session, which the program loads from its own folder at the first download.
install(TARGETS quillon_internet_module LIBRARY DESTINATION ${QUILLON_PRIVATE_DIR}/modules COMPONENT quillon)
install(FILES ${PROJECT_SOURCE_DIR}/resources/Codes.htm DESTINATION ${QUILLON_PRIVATE_DIR} COMPONENT quillon)

# A symbolic link installs as a link, and the install manifest lists it.
set(quillon_command_link ${PROJECT_BINARY_DIR}/packaging/quillon)
file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/packaging)
file(CREATE_LINK ../${QUILLON_PRIVATE_DIR}/quillon ${quillon_command_link} SYMBOLIC)
install(FILES ${quillon_command_link} DESTINATION bin COMPONENT quillon)

# The entry names the command by its full path, so the menu finds it even
# when PREFIX/bin is not on the PATH; the prefix is known at install time only.
set(quillon_desktop_in ${PROJECT_SOURCE_DIR}/packaging/quillon.desktop)
set(quillon_desktop_out ${PROJECT_BINARY_DIR}/packaging/installed/quillon.desktop)
install(CODE "
  file(READ [[${quillon_desktop_in}]] entry)
  string(REPLACE [[Exec=quillon]] \"Exec=\${CMAKE_INSTALL_PREFIX}/bin/quillon\" entry \"\${entry}\")
  file(WRITE [[${quillon_desktop_out}]] \"\${entry}\")
" COMPONENT quillon)
install(FILES ${quillon_desktop_out} DESTINATION share/applications COMPONENT quillon)

foreach(size 16 32 48 64 128 256)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/main-${size}.png
          DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME quillon.png COMPONENT quillon)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/main.svg
        DESTINATION share/icons/hicolor/scalable/apps RENAME quillon.svg COMPONENT quillon)

# What software centres show about Quillon.
set(QUILLON_METAINFO example.brimlow.quillon.metainfo.xml)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/${QUILLON_METAINFO} DESTINATION share/metainfo COMPONENT quillon)

# The manual page, the licence and the changelogs, compressed as Debian keeps
# them (gzip -9 without a name or time stamp, so rebuilds give the same bytes).
set(quillon_docs ${PROJECT_BINARY_DIR}/packaging/docs)
set(quillon_gzipped)
foreach(pair "man/quillon.1:quillon.1.gz" "man/quillon-rates-site.1:quillon-rates-site.1.gz" "changelog:changelog.gz" "debian/changelog:changelog.Debian.gz")
  string(REPLACE ":" ";" pair "${pair}")
  list(GET pair 0 from)
  list(GET pair 1 to)
  add_custom_command(OUTPUT ${quillon_docs}/${to}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${quillon_docs}
    COMMAND sh -c "gzip -9n -c \"$1\" > \"$2\"" gzip ${PROJECT_SOURCE_DIR}/packaging/${from} ${quillon_docs}/${to}
    DEPENDS ${PROJECT_SOURCE_DIR}/packaging/${from}
    VERBATIM)
  list(APPEND quillon_gzipped ${quillon_docs}/${to})
endforeach()
add_custom_target(quillon_docs ALL DEPENDS ${quillon_gzipped})
install(FILES ${quillon_docs}/quillon.1.gz DESTINATION share/man/man1 COMPONENT quillon)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/lintian-overrides DESTINATION share/lintian/overrides RENAME quillon
        COMPONENT quillon)
install(FILES ${quillon_docs}/changelog.gz ${quillon_docs}/changelog.Debian.gz ${PROJECT_SOURCE_DIR}/packaging/copyright
        DESTINATION share/doc/quillon COMPONENT quillon)

# Removes what the last install wrote, as its manifest lists it.
add_custom_target(uninstall
  COMMAND ${CMAKE_COMMAND} -P ${PROJECT_SOURCE_DIR}/cmake/Uninstall.cmake ${PROJECT_BINARY_DIR}/install_manifest.txt
  COMMENT "Removing the files of the last install"
  VERBATIM)

# The rates site, for an operator: the program, the systemd service and timer
# that write the page, their user, and the nginx site that serves it. Its own
# component and its own package: a desktop user gets none of it.
install(TARGETS quillon-rates-site RUNTIME DESTINATION bin COMPONENT site)
# The service runs the program where this install puts it (make install:
# /usr/local/bin); the prefix is known at install time only.
set(site_service_in ${PROJECT_SOURCE_DIR}/packaging/site/quillon-rates-site.service)
set(site_service_out ${PROJECT_BINARY_DIR}/packaging/installed/quillon-rates-site.service)
install(CODE "
  file(READ [[${site_service_in}]] unit)
  string(REPLACE [[ExecStart=/usr/bin/]] \"ExecStart=\${CMAKE_INSTALL_PREFIX}/bin/\" unit \"\${unit}\")
  file(WRITE [[${site_service_out}]] \"\${unit}\")
" COMPONENT site)
install(FILES ${site_service_out} ${PROJECT_SOURCE_DIR}/packaging/site/quillon-rates-site.timer
        DESTINATION lib/systemd/system COMPONENT site)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/site/quillon-rates-site.sysusers
        DESTINATION lib/sysusers.d RENAME quillon-rates-site.conf COMPONENT site)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/site/quillon-rates-site.nginx
        DESTINATION share/quillon-rates-site COMPONENT site)
install(FILES ${quillon_docs}/quillon-rates-site.1.gz DESTINATION share/man/man1 COMPONENT site)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/site/lintian-overrides DESTINATION share/lintian/overrides
        RENAME quillon-rates-site COMPONENT site)
install(FILES ${quillon_docs}/changelog.gz ${quillon_docs}/changelog.Debian.gz ${PROJECT_SOURCE_DIR}/packaging/copyright
        DESTINATION share/doc/quillon-rates-site COMPONENT site)

# make package: two Debian packages of the same install, one per component.
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL quillon site)
set(CPACK_PACKAGE_NAME quillon)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Brimlow 2000")
set(CPACK_PACKAGE_CONTACT "Brimlow 2000 <quillon@brimlow.example>")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Brimlow 2000 <quillon@brimlow.example>")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.brimlow.example/")
set(CPACK_DEBIAN_QUILLON_PACKAGE_NAME quillon)
set(CPACK_DEBIAN_QUILLON_DESCRIPTION "desktop currency converter with today's Euro exchange rates
Quillon downloads a page of the day's Euro exchange rates on request,
lists the currencies and converts an amount into Euros or out of Euros,
with two decimals, at every change of amount, currency or direction.")
set(CPACK_DEBIAN_QUILLON_PACKAGE_SECTION misc)
# The windows are laid out for DejaVu Sans Condensed and fit plain DejaVu
# Sans too. Codes.htm and the About links open through xdg-open; without it
# they open nothing, silently.
set(CPACK_DEBIAN_QUILLON_PACKAGE_DEPENDS "fonts-dejavu-core")
set(CPACK_DEBIAN_QUILLON_PACKAGE_RECOMMENDS "xdg-utils, fonts-dejavu-extra")
set(CPACK_DEBIAN_SITE_PACKAGE_NAME quillon-rates-site)
set(CPACK_DEBIAN_SITE_DESCRIPTION "rates page for Quillon from the euro reference rates
quillon-rates-site builds the page of Euro exchange rates that Quillon
reads from the central bank's euro foreign exchange reference rates,
as a file regenerated by a systemd timer for a web server (an nginx site
is included), or served by the program itself.")
set(CPACK_DEBIAN_SITE_PACKAGE_SECTION web)
set(CPACK_DEBIAN_SITE_PACKAGE_SUGGESTS "nginx")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
# The run-time libraries, read from the executables by dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)

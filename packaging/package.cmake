# Installation layout and the Debian package (tools/package.sh runs cpack).
include(GNUInstallDirs)

install(TARGETS morvanta morvanta-lab morvanta-console RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(PROGRAMS ${CMAKE_SOURCE_DIR}/packaging/morvanta-admin DESTINATION ${CMAKE_INSTALL_BINDIR})
install(PROGRAMS ${CMAKE_SOURCE_DIR}/packaging/morvanta-session DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/morvanta)

# Shared data: the help page and the labs of the virtual PC.
install(FILES ${CMAKE_SOURCE_DIR}/help/mrvhlp.htm DESTINATION ${CMAKE_INSTALL_DATADIR}/morvanta)
file(GLOB shipped_labs ${CMAKE_SOURCE_DIR}/labs/*.ini ${CMAKE_SOURCE_DIR}/labs/README.md)
install(FILES ${shipped_labs} DESTINATION ${CMAKE_INSTALL_DATADIR}/morvanta/labs)

# Desktop integration.
install(FILES ${CMAKE_SOURCE_DIR}/packaging/org.morvanta.Morvanta.desktop
              ${CMAKE_SOURCE_DIR}/packaging/org.morvanta.MorvantaLab.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/org.morvanta.Morvanta.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/org.morvanta.Morvanta.policy
        DESTINATION ${CMAKE_INSTALL_DATADIR}/polkit-1/actions)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/icons/morvanta.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 24 32 48 64 128 256)
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/icons/morvanta-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME morvanta.png)
endforeach()

# Manual pages and the package's documents, compressed as Debian wants them.
find_program(GZIP_EXECUTABLE gzip REQUIRED)
set(packaged_docs)
foreach(page morvanta morvanta-lab morvanta-console)
  list(APPEND packaged_docs ${CMAKE_SOURCE_DIR}/packaging/man/${page}.1)
endforeach()
set(compressed)
foreach(source IN LISTS packaged_docs ITEMS ${CMAKE_SOURCE_DIR}/packaging/changelog)
  get_filename_component(name ${source} NAME)
  set(output ${CMAKE_BINARY_DIR}/packaging/${name}.gz)
  add_custom_command(OUTPUT ${output}
                     COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
                     COMMAND ${GZIP_EXECUTABLE} -9nc ${source} > ${output}
                     DEPENDS ${source} VERBATIM)
  list(APPEND compressed ${output})
endforeach()
add_custom_target(packaged_docs ALL DEPENDS ${compressed})
foreach(page morvanta morvanta-lab morvanta-console)
  install(FILES ${CMAKE_BINARY_DIR}/packaging/${page}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
# The launcher has its own page: the program's.
install(FILES ${CMAKE_BINARY_DIR}/packaging/morvanta.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
        RENAME morvanta-admin.1.gz)
install(FILES ${CMAKE_BINARY_DIR}/packaging/changelog.gz ${CMAKE_SOURCE_DIR}/packaging/copyright
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/morvanta)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME morvanta)
set(CPACK_PACKAGE_VERSION 4.4.0)
set(CPACK_PACKAGE_VENDOR "The Morvanta developers")
set(CPACK_PACKAGE_CONTACT "The Morvanta developers <developers@morvanta.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "hard disk and SSD test, benchmark and repair tool")
# cpack puts the summary first and indents these lines; an empty line becomes " .".
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Morvanta reads a drive's identification and SMART attributes, runs
self-tests, times every block in surface scans and remaps, erases or
restores bad ones, measures seek time and spindle speed, and manages
security passwords, the host protected area and the caches.

It reaches a drive through the kernel's block devices and pass-through
requests, or through the registers of an IDE channel. A virtual PC with
emulated drives (morvanta-lab) lets every function be tried safely.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://morvanta.org/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window's font; dpkg-shlibdeps adds the libraries.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-extra")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "pkexec")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)

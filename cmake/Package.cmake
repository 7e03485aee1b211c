# The Debian package: cpack -G DEB in a build folder (./package.sh does it
# all) makes morvel_<version>_<arch>.deb with the program, its desktop entry,
# icon, manual page and AppStream description, installed under /usr.
set(CPACK_PACKAGE_NAME morvel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Pellam Software Ltd")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "viewer for CSV files: sort, group and save")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "Morvel shows a comma-separated text file in a grid: the first line names the\n"
       "columns, every further line is a record. Click headers to sort, drag them onto\n"
       "the group panel to group the rows into an expandable tree, hide and move\n"
       "columns, delete records and save the table back as CSV.")
set(CPACK_PACKAGE_CONTACT "Pellam Software Ltd <info@pellam.example>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
# Packing installs what is built; it does not build the tests and
# benchmarks first (the program's targets are built by ./package.sh).
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY TRUE)

set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.pellam.example")
# The shared libraries the binary links (Qt's core, gui and widgets, the C
# and C++ runtimes) come from dpkg-shlibdeps; the platform plugin that puts
# a Qt window on a desktop is loaded at run time, so it is named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# Faces with the metrics of the ones the window is laid out for.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation")
find_program(MORVEL_DPKG dpkg)
if(MORVEL_DPKG)
  execute_process(COMMAND ${MORVEL_DPKG} --print-architecture
                  OUTPUT_VARIABLE MORVEL_DEB_ARCH OUTPUT_STRIP_TRAILING_WHITESPACE)
else()
  set(MORVEL_DEB_ARCH amd64)
endif()
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${MORVEL_DEB_ARCH})
set(CPACK_DEBIAN_FILE_NAME "morvel_${PROJECT_VERSION}_${MORVEL_DEB_ARCH}.deb")

include(CPack)

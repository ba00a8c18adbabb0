# Installation and the Debian package (scripts/package.sh runs CPack):
# the programs (vembrel and the desktop program vembrel-desktop), the
# desktop entry and metainfo, the man page made from
# `vembrel --help`, the README and, when built, the Python module.
include(GNUInstallDirs)
install(TARGETS vembrel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# vembrel starts the desktop program from its own folder.
if(TARGET vembrel_desktop_program)
  install(TARGETS vembrel_desktop_program RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(FILES data/org.vembrel.Vembrel.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES data/org.vembrel.Vembrel.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vembrel)

# The man page: help2man reads the program's --help (the subcommands and
# their one-line descriptions); without help2man there is none, nor in
# sanitizer builds, whose program is not one to run at build time.
find_program(HELP2MAN help2man)
if(HELP2MAN AND NOT (VEMBREL_SANITIZE OR VEMBREL_TSAN OR VEMBREL_FUZZ))
  add_custom_command(OUTPUT vembrel.1.gz
    COMMAND ${HELP2MAN} --no-info --no-discard-stderr --section=1
            "--name=cell-migration assays in 96-well plates"
            --version-string=${PROJECT_VERSION} --output=vembrel.1 $<TARGET_FILE:vembrel>
    COMMAND gzip -9nf vembrel.1
    DEPENDS vembrel
    COMMENT "Man page from vembrel --help"
    VERBATIM)
  add_custom_target(vembrel_man ALL DEPENDS vembrel.1.gz)
  add_dependencies(vembrel_programs vembrel_man)
  install(FILES ${PROJECT_BINARY_DIR}/vembrel.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
elseif(NOT HELP2MAN)
  message(STATUS "Man page: off (no help2man)")
endif()

set(VEMBREL_PACKAGE_MAINTAINER "Vembrel maintainers <maintainers@vembrel.invalid>" CACHE STRING
  "The Debian package's Maintainer field")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vembrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${VEMBREL_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "cell-migration assays in 96-well plates")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Vembrel assembles each well's two-channel fields into a mosaic, fits the\n"
  "cell-free ring, counts the nuclei that migrated into it, profiles the\n"
  "density of nuclei outside it and, at cell level, measures single cells.\n"
  "A batch over a 96-well plate writes a plate summary, tables, a workbook,\n"
  "snapshots and a report. The package holds the desktop program and the\n"
  "command line vembrel, and the Python module vembrel.")
string(REPLACE ";" "" CPACK_DEBIAN_PACKAGE_DESCRIPTION "${CPACK_DEBIAN_PACKAGE_DESCRIPTION}")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # vembrel_<version>_amd64.deb
# The shared libraries' packages (Qt, libtiff, libjpeg, libxlsxwriter, pugixml, ...)
# come from dpkg-shlibdeps reading the program and the module.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
# Absolute destinations (the Python module's dist-packages) land inside the package.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
if(TARGET vembrel_python)
  # The module is built for this interpreter's version only.
  string(REPLACE "." ";" python_version "${VEMBREL_PYTHON_VERSION}")
  list(GET python_version 0 python_major)
  list(GET python_version 1 python_minor)
  math(EXPR python_next_minor "${python_minor} + 1")
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "python3 (>= ${VEMBREL_PYTHON_VERSION}), \
python3 (<< ${python_major}.${python_next_minor})")
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "python3-numpy, python3-pandas")
endif()
include(CPack)

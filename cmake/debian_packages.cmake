# The Debian packages, one per CPack component: cpack -G DEB in a Release
# build makes each (scripts/release makes them all). A front end installs
# its files with COMPONENT <package> and adds a line to the list below with
# its section and description.
include(GNUInstallDirs)

# Who answers for the packages: the Maintainer field of every one.
set(KORVANE_MAINTAINER "Korvane developers <korvane-developers@lists.korvane.org>" CACHE STRING "The Maintainer field of the Debian packages")

# package                 section   summary
set(korvane_debian_packages
  "korvane-update|utils|Firmware updater for the Tarvex USB camera, from a terminal or a script"
)
# The desktop window's, where gtkmm let it be built (desktop/).
if(KORVANE_DESKTOP_PACKAGE)
  list(APPEND korvane_debian_packages "korvane|graphics|Firmware updater for the Tarvex USB camera: the desktop window")
endif()

configure_file(${CMAKE_CURRENT_LIST_DIR}/copyright.in ${CMAKE_BINARY_DIR}/generated/copyright @ONLY)
set(CPACK_COMPONENTS_ALL)
foreach(row ${korvane_debian_packages})
  string(REPLACE "|" ";" fields "${row}")
  list(GET fields 0 package)
  list(GET fields 1 section)
  list(GET fields 2 summary)
  list(APPEND CPACK_COMPONENTS_ALL ${package})
  string(TOUPPER ${package} key)
  set(CPACK_DEBIAN_${key}_PACKAGE_NAME ${package})
  set(CPACK_DEBIAN_${key}_PACKAGE_SECTION ${section})
  set(CPACK_COMPONENT_${key}_DESCRIPTION "${summary}")
  # Debian keeps the licence of what a package holds beside its documents.
  install(FILES ${CMAKE_BINARY_DIR}/generated/copyright
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${package} COMPONENT ${package})
endforeach()

set(CPACK_PACKAGE_NAME korvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${KORVANE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${KORVANE_MAINTAINER}")
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
# Files owned by root whoever builds, so that two builds give the same bytes.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)

# The Debian packages, one per CPack component: cpack -G DEB in a Release
# build makes each (scripts/release makes them all). A front end installs
# its files with COMPONENT <package> and adds a line to the list below with
# its section and description.
include(GNUInstallDirs)

# Who answers for the packages: the Maintainer field of every one.
set(KORVANE_MAINTAINER "Korvane developers <korvane-developers@lists.korvane.org>" CACHE STRING "The Maintainer field of the Debian packages")

# Both update a device's firmware, as the system's own firmware tools do:
# system administration, Debian's section admin.
# package                 section   summary
set(korvane_debian_packages
  "korvane-update|admin|firmware updater for the Tarvex USB camera, for terminals and scripts"
)
# The desktop window's, where gtkmm let it be built (desktop/).
if(KORVANE_DESKTOP_PACKAGE)
  list(APPEND korvane_debian_packages "korvane|admin|firmware updater for the Tarvex USB camera, as a desktop window")
endif()

# What each package is, after its summary, as the field shows it: lines
# of at most 72 characters, an empty line between paragraphs.
set(korvane_common_description [[
Korvane finds the Tarvex USB camera (USB ID 4271:03d5), reads what its
flash holds and decides whether new firmware is due. If so it writes
one of the two 64 KiB images it carries (V0308 and V0309) into the
camera's flash, verified by a checksum, then reads it back. A camera
that needs nothing is only read.]])
set(korvane-update_description [[
korvane-update describes the camera, asks before writing and draws a
progress bar at a terminal. For scripts and deployment tools it runs
without a question and ends with one exit code and, on request, one
JSON document and a record in a log file. It also lists the cameras
attached and the updates this computer made, and gathers a support
report.]])
set(korvane_description [[
This package puts Korvane in the desktop's menu: a GTK 4 window that
checks the camera when it opens and writes only when Update is pressed,
holding off sleep and shut-down while it writes. korvane-update is the
same update for a terminal.]])

# The documents every package carries beside its copyright file: the README
# and what its links name, in the places the links give.
set(korvane_documents README.md docs/json.md docs/windows-deployment.md docs/korvane-window.png)
# The history of the releases, as Debian keeps it for a package whose
# version is its own (no Debian revision).
configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog.in ${CMAKE_BINARY_DIR}/generated/changelog @ONLY)
set(korvane_changelog ${CMAKE_BINARY_DIR}/generated/changelog.gz)
execute_process(COMMAND gzip -9nc ${CMAKE_BINARY_DIR}/generated/changelog OUTPUT_FILE ${korvane_changelog})

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
  # CPack indents the lines and writes an empty one as Debian's dot.
  set(CPACK_DEBIAN_${key}_DESCRIPTION "${summary}\n${korvane_common_description}\n\n${${package}_description}")
  # Debian keeps the licence of what a package holds beside its documents.
  install(FILES ${CMAKE_BINARY_DIR}/generated/copyright ${korvane_changelog}
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${package} COMPONENT ${package})
  foreach(document ${korvane_documents})
    get_filename_component(folder ${document} DIRECTORY)
    install(FILES ${PROJECT_SOURCE_DIR}/${document}
      DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${package}/${folder} COMPONENT ${package})
  endforeach()
endforeach()

set(CPACK_PACKAGE_NAME korvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${KORVANE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${KORVANE_MAINTAINER}")
# Both come from one source, whose history changelog.in is.
set(CPACK_DEBIAN_PACKAGE_SOURCE korvane)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
# Files owned by root whoever builds, so that two builds give the same bytes.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)

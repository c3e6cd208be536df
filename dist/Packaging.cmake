# SPDX-License-Identifier: MIT
# The Debian packages, one per install component (cpack --preset dist, or
# make package): spellindex, the command alone, and spells, the browser,
# which uses spellindex's man page and needs Qt. Library dependencies come
# from dpkg-shlibdeps.

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "spells")
set(CPACK_PACKAGE_VENDOR "The Spells developers")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL spellindex)
if(SPELLS_BUILD_UI)
  list(APPEND CPACK_COMPONENTS_ALL spells)
endif()

set(SPELLS_MAINTAINER "Spells developers <spells@users.noreply.github.com>" CACHE STRING
    "Maintainer field of the Debian packages")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${SPELLS_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION "utils")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${SPELLS_HOMEPAGE}")
set(CPACK_DEBIAN_PACKAGE_SOURCE "spells")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

# CPack indents the long descriptions and marks their empty lines as the
# control file wants.
set(CPACK_DEBIAN_SPELLINDEX_PACKAGE_NAME "spellindex")
set(CPACK_COMPONENT_SPELLINDEX_DESCRIPTION
    "build and inspect spell indexes from the command line
spellindex turns the hand-written wizard and priest spell lists of a
tabletop role-playing game into the compact index files the Spells
browser reads, prints an index as JSON Lines, finds spells by their
fields and descriptions, and checks a spell list for lines that are
probably not read as meant.

It needs neither Qt nor a display; the browser is in the package spells.")

set(CPACK_DEBIAN_SPELLS_PACKAGE_NAME "spells")
# The Qt platform plugins are loaded at run time, so dpkg-shlibdeps cannot
# see them.
set(CPACK_DEBIAN_SPELLS_PACKAGE_DEPENDS "spellindex (= ${PROJECT_VERSION}), qt6-qpa-plugins")
set(CPACK_COMPONENT_SPELLS_DESCRIPTION
    "browser for the spell lists of a tabletop role-playing game
Spells shows the wizard and priest spell lists of a tabletop role-playing
game in a list of nine columns with a school icon on every row. Each list
is a hand-written text file that the program turns into a compact index;
a click on a column header orders the list, a find bar filters it as you
type, and a double-click shows a spell's fields and its full description.

Sample wizard and priest lists are set up in the user's data folder on the
first start. The command-line tool is in the package spellindex.")

include(CPack)

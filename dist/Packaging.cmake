# The Debian package: cpack -G DEB in the build directory (make package).
# Library dependencies come from dpkg-shlibdeps.

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "spells")
set(CPACK_PACKAGE_VENDOR "The Spells developers")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "browser for the spell lists of a tabletop role-playing game")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)

set(SPELLS_MAINTAINER "Spells developers <spells@users.noreply.github.com>" CACHE STRING
    "Maintainer field of the Debian package")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${SPELLS_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION "games")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${SPELLS_HOMEPAGE}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The Qt platform plugins are loaded at run time, so dpkg-shlibdeps cannot
# see them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# The long description; CPack indents it and marks the empty line as the
# control file wants.
set(CPACK_PACKAGE_DESCRIPTION
    "Spells shows the wizard and priest spell lists of a tabletop role-playing
game in a list of nine columns with a school icon on every row. Each list
is a hand-written text file that the program turns into a compact index;
a click on a column header orders the list, and a double-click shows a
spell's fields and its full description.

The package holds the browser spellbrowser, the command-line tool
spellindex, and sample wizard and priest lists that are set up in the
user's data folder on the first start.")

include(CPack)

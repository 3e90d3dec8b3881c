# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package (bash scripts/package): everything installed, with the
# Debian packages it needs. dpkg-shlibdeps (dpkg-dev) finds the libraries the
# programs link; what they load or run at run time is named here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillvault)
set(CPACK_PACKAGE_VENDOR Quarrytide)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "offline backups of blogs, kept current on the desktop")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_QV_STRIP ${CMAKE_STRIP})
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/StripComments.cmake)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${QV_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${PROJECT_HOMEPAGE_URL}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The summary above is the first line; CPack indents these and marks the
# empty line between the paragraphs.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"Quillvault keeps an offline backup of one blog in a single XML file, built
from the blog service's XML read API; an incremental backup adds only the
posts published since.

Quillvault Library lists every backup, updates them, keeps their pictures,
audio and video, opens their offline view in the browser and updates them
every day by itself. quillvault-cli does the same from a terminal, cron or a
systemd timer.")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Nothing links the panel library (the window loads it from its private folder at
# run time), so it needs no shlibs file and no ldconfig call.
# The window needs a display plugin and the face it was drawn for, HTTPS the
# certificates, opening pages and folders xdg-open.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-wine, ca-certificates, xdg-utils")
# A keyring for the passwords of daily updates; desktops bring their own.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "gnome-keyring")

include(CPack)

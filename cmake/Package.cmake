# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package: cpack -G DEB (scripts/package.sh runs it) makes
# velmora_VERSION_amd64.deb from what cmake --install puts into /usr.
set(CPACK_PACKAGE_NAME velmora)
set(CPACK_PACKAGE_VENDOR "The Velmora developers")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION
    "Velmora opens the flash firmware of a DVD player built on Zoran Vaddis\n"
    "chips, finds the background pictures stored inside it (one-frame MPEG-2\n"
    "and MPEG-4 streams), lists, shows and saves them, and replaces one with\n"
    "a JPEG photo or an MPEG stream, rewriting the firmware's pointer records,\n"
    "free-space bookkeeping, checksum and byte order.\n"
    "The package holds the window (velmora) and the command line (velmora-cli).")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGE_CONTACT "${VELMORA_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # velmora_VERSION_ARCH.deb
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
if(VELMORA_HOMEPAGE)
  set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${VELMORA_HOMEPAGE}")
endif()
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The conversion runs jpeg2yuv, yuvscaler and mpeg2enc from PATH.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "mjpegtools")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)

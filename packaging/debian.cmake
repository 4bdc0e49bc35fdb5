# The Debian package: the installed tree under /usr, named
# vornak_<version>_<arch>.deb, its library dependencies (Qt 6, the C++ runtime)
# found by dpkg-shlibdeps from the programs themselves.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vornak)
set(CPACK_PACKAGE_VERSION "${VORNAK_VERSION}")
set(CPACK_PACKAGE_VENDOR "The Vornak developers")
set(CPACK_PACKAGE_CONTACT "The Vornak developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "save a whole floppy disk to an image file and write it back")
set(CPACK_PACKAGE_DESCRIPTION
    "Vornak copies a whole floppy disk, sector by sector, into an image file, and
writes such an image back onto a floppy: 1.44 MB and 720 KB 3.5-inch, 1.2 MB
and 360 KB 5.25-inch disks, in /dev/fd0, a USB floppy drive or a raw image file
used as a virtual drive. Saving goes on past bad sectors and names them.

The package holds the window program vornak and vnk, its command-line
companion, which also lists, describes and converts image files (raw images
from dd, mtools and emulators in and out).")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${VORNAK_HOMEPAGE}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

include(CPack)

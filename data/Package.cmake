# The Debian package: `cpack -G DEB` in a Release build gives picdex_VERSION_ARCH.deb,
# installed under /usr. Depends comes from the shared libraries the programs link
# (dpkg-shlibdeps); the desktop, icon, MIME and manual caches are refreshed by the
# triggers of the packages that own them, so the package needs no scripts of its own.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME picdex)
set(CPACK_PACKAGE_VENDOR Orvane)
set(CPACK_PACKAGE_CONTACT "Picdex maintainers <picdex@orvane.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop picture database")
# One paragraph, wrapped for the package manager's display.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "Picdex keeps JPEG, GIF, TIFF and BMP pictures byte for byte in a database of"
    "two files, with each picture's name, dates, keywords and thumbnail, and shows"
    "them in a zoomable view or as pages of thumbnails. It adds pictures from"
    "folders with keywords and duplicate checks, browses in name or date order,"
    "searches, marks, runs slide shows, prints, exchanges pictures between"
    "databases and rebuilds damaged files. The command-line tool picdex-cli works"
    "on the same databases without a display.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window's Japanese captions need a CJK font.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-noto-cjk)
include(CPack)

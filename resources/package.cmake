# `make package`: a Debian package of an installation (CPack's DEB generator). Its shared
# library dependencies are computed by dpkg-shlibdeps from what the programs link; what they
# load at run time without linking it is named here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvelle)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "The Orvelle developers <packages@orvelle.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # orvelle_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://orvelle.org/)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The window's platform plugin and Qt's own Chinese texts are loaded, not linked. A Chinese
# face is a dependency, not a recommendation: installed without recommendations, as
# containers and minimal systems are, the default Chinese window would be all boxes. The
# completion needs bash-completion's framework to be of any use. The text recogniser's
# language data is loaded, not linked: English and Chinese (the languages a user of either
# window recognises by default) and its orientation data.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-qpa-plugins, qt6-translations-l10n, fonts-noto-cjk | fonts-wqy-microhei | fonts-arphic-ukai, tesseract-ocr-eng, tesseract-ocr-chi-sim, tesseract-ocr-osd")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "bash-completion")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "split multi-page TIFF documents into pictures and merge pictures
Orvelle is made for people who handle scanned and faxed documents. It
splits a multi-page TIFF or a scanned PDF into single-page JPEG, BMP, GIF,
PNG, TIFF or PDF files, every page or one chosen page, scaled by a
whole-number percentage, and merges an ordered list of pictures into one
multi-page TIFF or PDF, keeping pages as they were stored where it can.
.
The window (in Chinese) shows page thumbnails, a merge list with a preview
and a screen-sized viewer; orvelle-cli does the same work from the command
line.")
include(CPack)

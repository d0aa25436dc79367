#!/bin/sh
# Layer rules that include roots alone cannot enforce: no include climbs out of its folder
# with "../" (except within the back end), codec and document libraries only in the back end,
# Qt only in the widget folders and the PDF renderer module (pdf_renderer/, loaded by the back
# end, never linked), the back end reached only through the object layer. The
# build enforces the rest (see orvelle_expose).
cd "$1" || exit 2
status=0
check() {
  found=$(grep -rnE "$2" --include='*.cpp' --include='*.h' $4 $3 2>/dev/null)
  if [ -n "$found" ]; then
    echo "$1:"
    echo "$found"
    status=1
  fi
}
check "an include that leaves its folder" '#include "\.\./' "app viewer organizer cli jobs split merge fuzz tools pdf_renderer imaging/*.h imaging/*.cpp"
# A differential fuzzer holds our codec up against the library itself, as the tests do.
check "a codec library outside imaging/platform" '#include <(tiffio|tiff|jpeglib|jerror|turbojpeg|png|gif_lib|zlib|openjpeg)\.h>' "app viewer organizer cli jobs split merge fuzz tools pdf_renderer imaging/*.h imaging/*.cpp" "--exclude=*_differential.cpp"
check "Qt outside the widget folders" '#include <Q' "cli jobs split merge fuzz tools imaging"
check "Qt's PDF module outside the renderer" '#include <QtPdf' "app viewer organizer cli jobs split merge fuzz tools imaging"
check "the renderer module reaching into the back end past its interface" '#include "(imaging|platform|codecs)/' "pdf_renderer"
check "qpdf outside imaging/platform" '#include <qpdf/' "app viewer organizer cli jobs split merge fuzz tools imaging/*.h imaging/*.cpp"
check "tesseract or leptonica outside imaging/platform" '#include <(tesseract|leptonica)/' "app viewer organizer cli jobs split merge fuzz tools pdf_renderer imaging/*.h imaging/*.cpp"
# The text recogniser module is loaded, never linked: only its own file knows tesseract.
check "tesseract outside the text recogniser module" '#include <tesseract/' "imaging/platform" "--exclude=ocr_engine_module.cpp"
check "the platform layer reached past the object layer" '#include "(imaging/)?platform/' "app viewer organizer cli jobs split merge"
check "the object layer reaching into the platform layer past its flat interface" '#include "(imaging/)?platform/([^g]|g[^d])' "imaging/*.h imaging/*.cpp"
[ $status = 0 ] && echo "layer rules hold"
exit $status

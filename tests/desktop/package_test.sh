#!/bin/bash
# package_test.sh BUILD_DIR
# Builds the Debian package of the build tree in a scratch folder and checks its control
# fields, its file list and what lintian says of it.
set -u
build=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
if ! cpack --config "$build/CPackConfig.cmake" -B "$scratch" >"$scratch/cpack.log" 2>&1; then
  cat "$scratch/cpack.log"
  exit 1
fi
deb=$(ls "$scratch"/orvelle_*_*.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || { echo "no orvelle_<version>_<arch>.deb was made"; exit 1; }

failures=0
fail() { echo "$1"; failures=$((failures + 1)); }

[ "$(basename "$deb")" = "orvelle_$(dpkg-deb -f "$deb" Version)_$(dpkg --print-architecture).deb" ] ||
  fail "file name $(basename "$deb") does not follow orvelle_<version>_<arch>.deb"
[ "$(dpkg-deb -f "$deb" Package)" = orvelle ] || fail "Package is not orvelle"
[ "$(dpkg-deb -f "$deb" Section)" = graphics ] || fail "Section is not graphics"
# Computed from what the programs link, plus what they load without linking.
depends=$(dpkg-deb -f "$deb" Depends)
for library in libtiff6 libjpeg62-turbo libpng16-16 libgif7 libqpdf libqt6widgets6 libc6 \
               qt6-qpa-plugins qt6-translations-l10n; do
  [[ $depends == *"$library"* ]] || fail "Depends lacks $library: $depends"
done
[[ $depends == *libasan* || $depends == *libtsan* ]] && fail "Depends names a sanitizer: $depends"
# Without a Chinese face the default window is boxes, whatever the recommendations.
[[ $depends == *"fonts-noto-cjk | fonts-wqy-microhei"* ]] || fail "Depends lacks a Chinese font: $depends"
[[ $(dpkg-deb -f "$deb" Recommends) == *bash-completion* ]] || fail "Recommends lacks bash-completion"

listing=$(dpkg-deb -c "$deb" | awk '{print $6}')
for path in ./usr/bin/orvelle ./usr/bin/orvelle-cli \
            ./usr/share/applications/org.orvelle.Orvelle.desktop \
            ./usr/share/metainfo/org.orvelle.Orvelle.metainfo.xml \
            ./usr/share/bash-completion/completions/orvelle-cli \
            ./usr/share/icons/hicolor/16x16/apps/orvelle.png ./usr/share/icons/hicolor/32x32/apps/orvelle.png \
            ./usr/share/icons/hicolor/128x128/apps/orvelle.png \
            ./usr/share/man/man1/orvelle.1.gz ./usr/share/man/man1/orvelle-cli.1.gz \
            ./usr/share/doc/orvelle/copyright ./usr/share/doc/orvelle/changelog.gz; do
  grep -qxF "$path" <<<"$listing" || fail "the package lacks $path"
done
outside=$(grep -v '^\./usr/' <<<"$listing" | grep -v '^\./$')
[ -z "$outside" ] || fail "files outside /usr: $outside"
owners=$(dpkg-deb -c "$deb" | awk '$2 != "root/root"')
[ -z "$owners" ] || fail "files not owned by root: $owners"

if command -v lintian >/dev/null; then
  errors=$(lintian --allow-root "$deb" 2>&1 | grep '^E:')
  [ -z "$errors" ] || fail "lintian: $errors"
else
  fail "lintian is not installed (make deps installs it)"
fi

[ "$failures" = 0 ] && echo "$(basename "$deb"): control fields, files and lintian as expected"
exit "$failures"

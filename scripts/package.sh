#!/usr/bin/env bash
# Builds the Debian package build/quorvale-mixer_VERSION_ARCH.deb (the program, its man page and
# the examples, depending on the packages of the libraries it links) and checks what it holds.
# `sudo apt install ./build/quorvale-mixer_*.deb` then installs it without a compiler.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh

install_missing "${BUILD_PACKAGES[@]}" "${PACKAGE_PACKAGES[@]}"

echo "== building the program"
# A build folder configured already (by the tests, say) keeps its options; a new one builds the
# program alone.
if [ -f build/CMakeCache.txt ]; then
  cmake -S . -B build
else
  cmake -S . -B build -DQM_BUILD_TESTS=OFF -DQM_BUILD_BENCH=OFF
fi
cmake --build build --target quorvalemixer -j"$(nproc)"

echo "== packing"
rm -f build/quorvale-mixer_*.deb
(cd build && cpack -G DEB)
debs=(build/quorvale-mixer_*.deb)
deb=${debs[0]}

echo "== checking $deb"
fail() { echo "package check: $*" >&2; exit 1; }
version=$(build/quorvalemixer --version | sed -n '1s/^quorvalemixer //p')
[[ $deb == build/quorvale-mixer_"$version"_*.deb ]] || fail "the program says version '$version'"
[ -n "$(dpkg-deb -f "$deb" Depends)" ] || fail "no Depends: dpkg-shlibdeps did not run"
for option in $(build/quorvalemixer --help | grep -o -- '--[a-z-]*' | sort -u); do
  grep -qF -- "${option//-/\\-}" docs/quorvalemixer.1.in || fail "the man page lacks $option"
done
listed=$(dpkg-deb -c "$deb" | awk '{print $6}' | grep -v '/$' | sort)
# Exactly the tracked examples: a run of one in place leaves outputs that must stay out.
expected=$({
  echo ./usr/bin/quorvalemixer
  echo ./usr/share/man/man1/quorvalemixer.1.gz
  git ls-files examples | sed 's|^|./usr/share/quorvale-mixer/|'
} | sort)
[ "$listed" = "$expected" ] || fail "its files differ from the expected ones:
$(diff <(echo "$expected") <(echo "$listed") | grep '^[<>]')"
echo "package: $deb holds the program, the man page and the examples"

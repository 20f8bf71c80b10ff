# Sourced by the scripts of this folder: the Debian packages each step needs, and a function that
# installs those that are missing (apt-get, through sudo when not root).

# The program needs a C++20 compiler, CMake, toml++ (mix files), libcsv (rosters), utf8proc (names
# compared in one Unicode form) and CBC with pkg-config (the exact proof of a best grouping).
# CBC's link line names -lz, which none of its packages pulls in: zlib1g-dev supplies it.
BUILD_PACKAGES=(cmake g++ make pkg-config libtomlplusplus-dev libcsv-dev libutf8proc-dev
  coinor-libcbc-dev zlib1g-dev)
# The tests add GoogleTest and GoogleMock, and tmux for the tests that drive a real terminal.
TEST_PACKAGES=(libgtest-dev libgmock-dev tmux)
# The Debian package: CPack runs dpkg-shlibdeps (dpkg-dev) on the program, after `file` has told
# it which files are programs.
PACKAGE_PACKAGES=(dpkg-dev file)
# Headless Chromium opens the HTML report as a reader would; where the distribution has no such
# package the browser test reports itself skipped.
BROWSER_PACKAGES=(chromium)

# install_missing PACKAGE...: installs the packages not yet installed; does nothing when all are.
install_missing() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "== installing ${missing[*]}"
  local sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null; then
      echo "These packages are missing: ${missing[*]}." >&2
      echo "Install them as root (apt-get install ${missing[*]}), or install sudo, and run this again." >&2
      return 1
    fi
    sudo=(sudo)
  fi
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
}

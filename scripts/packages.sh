# Sourced by scripts/test and scripts/demo: installs the Debian packages the project needs.

# Packages for building and testing both ports.
VARNET_BUILD_PACKAGES=(
  cmake ninja-build g++ pkg-config python3
  libgtest-dev libgmock-dev googletest
  libcrypto++-dev p7zip-full
  libwebkit2gtk-4.1-dev libx11-dev xvfb xauth x11-utils xdotool imagemagick
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64
  libarchive-tools unzip
  openssl
  nodejs
  dpkg-dev
  locales
)
# Packages for building the Linux port's Debian package alone (scripts/package).
VARNET_PACKAGE_PACKAGES=(
  cmake ninja-build g++ pkg-config
  libcrypto++-dev libwebkit2gtk-4.1-dev libx11-dev libxext-dev
  dpkg-dev file
)
# npm (TypeScript for the page-bridge check): Debian's package unless a Node.js build brings it.
command -v npm >/dev/null || VARNET_BUILD_PACKAGES+=(npm)

# Installs whichever of the named packages are missing (through sudo when not root).
ensure_packages() {
  local missing=()
  local package
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
      missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  echo "Installing: ${missing[*]}"
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
}

# npm, for packages from the npm registry: Debian's, unless a node installation that brings its
# own npm is there already (NodeSource's nodejs, for one, conflicts with Debian's npm package).
ensure_npm() {
  command -v npm >/dev/null || ensure_packages npm
}

# A locale with a decimal comma, so that the version check is also tested where "1,9" is the
# C library's way of writing 1.9. Generated once; later runs find it.
VARNET_DECIMAL_COMMA_LOCALE=de_DE.UTF-8
ensure_decimal_comma_locale() {
  locale -a 2>/dev/null | grep -qx 'de_DE\.utf8' && return 0
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  echo "Generating the locale $VARNET_DECIMAL_COMMA_LOCALE"
  "${sudo[@]}" localedef -i de_DE -c -f UTF-8 "$VARNET_DECIMAL_COMMA_LOCALE"
}

# Crypto++'s sources from Debian's source package, unpacked into "$1/cryptopp" once, for the
# mingw-w64 builds (Debian packages no Crypto++ for them). apt's source list and state stay in
# "$1"; the system's apt configuration is not touched.
ensure_cryptopp_source() {
  local dir=$1
  [ -f "$dir/cryptopp/rijndael.cpp" ] && return 0
  mkdir -p "$dir/lists/partial"
  echo "deb-src http://deb.debian.org/debian bookworm main" >"$dir/sources.list"
  local apt=(apt-get -qq -o Dir::Etc::sourcelist="$dir/sources.list" -o Dir::Etc::sourceparts=-
    -o Dir::State::Lists="$dir/lists")
  "${apt[@]}" update >/dev/null
  (cd "$dir" && "${apt[@]}" source --download-only libcrypto++ >/dev/null 2>&1)
  rm -rf "$dir/cryptopp" "$dir/unpacked" && mkdir -p "$dir/unpacked"
  tar -xzf "$dir"/libcrypto++_*.orig.tar.gz -C "$dir/unpacked"
  mv "$dir"/unpacked/* "$dir/cryptopp"
}

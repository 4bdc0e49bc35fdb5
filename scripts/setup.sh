# Shared by the scripts: installs missing Debian packages and builds.
# Sourced, not run.

# The packages every build and test run needs.
VORNAK_PACKAGES=(cmake g++ make pkg-config libgtest-dev libgmock-dev qt6-base-dev
                 dosfstools mtools util-linux e2fsprogs poppler-utils
                 desktop-file-utils appstream man-db shared-mime-info)

# Installs the Debian packages among "$@" that are not installed yet.
ensure_packages() {
  local missing=()
  local package
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
      missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return 0

  local sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "Please install as root: ${missing[*]}" >&2; return 1; }
    sudo=(sudo)
  fi
  echo "Installing ${missing[*]} ..." >&2
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}" >&2 ||
    { "${sudo[@]}" apt-get update -q >&2 &&
      "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}" >&2; }
}

# Configures into build/ (or $1) with the given extra CMake options, and builds.
configure_and_build() {
  local dir=$1
  shift
  cmake -S "$VORNAK_ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORNAK_WERROR=ON "$@" >&2
  cmake --build "$dir" -j "$(nproc)" >&2
}

VORNAK_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

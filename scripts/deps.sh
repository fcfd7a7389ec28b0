# Shared by scripts/play and scripts/test: the Debian packages the build needs.
# Installs what is missing when run as root, otherwise prints the command.
DM_PACKAGES="build-essential cmake ninja-build pkg-config ccache clang libclang-rt-dev \
libgtest-dev libgmock-dev libbenchmark-dev libsdl2-dev libfreetype-dev fonts-dejavu-core \
libpng-dev zlib1g-dev xvfb xauth xdotool espeak-ng libespeak-ng-dev"

dm_install_deps() {
  local missing=()
  for p in $DM_PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -eq 0 ]; then
    echo "Installing: ${missing[*]}"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
  else
    echo "Missing packages. Run as root:"
    echo "  apt-get update && apt-get install -y ${missing[*]}"
    return 1
  fi
}

# dm_build DIR [cmake options...]: configure and build into DIR (only the targets
# DM_TARGET names, separated by spaces, when it is set).
dm_build() {
  local dir=$1; shift
  local launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  cmake -S "$DM_ROOT" -B "$dir" -G Ninja "${launcher[@]}" "$@" >/dev/null
  # shellcheck disable=SC2086
  cmake --build "$dir" --parallel "$(nproc)" ${DM_TARGET:+--target $DM_TARGET}
}

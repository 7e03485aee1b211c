# Shared by run.sh, test.sh and package.sh: installs the Debian packages a
# task needs, asking apt only when something is missing, so a warm machine
# starts at once. Sourced, not run: defines morvel_setup and morvel_build.

# What building and running the program needs.
MORVEL_BUILD_PACKAGES=(
  cmake g++ make pkg-config gzip
  qt6-base-dev qt6-base-dev-tools libgl-dev   # Qt 6 Widgets
  qt6-qpa-plugins                             # puts the window on a desktop
  fonts-liberation fonts-dejavu-core          # metric-compatible stand-ins for the UI fonts
)
# What making the Debian package needs besides: dpkg-shlibdeps finds the
# libraries the binary needs, and CPack looks at the binary with file.
MORVEL_PACKAGE_PACKAGES=(dpkg-dev file)
# What the test suite and the benchmarks need besides.
MORVEL_TEST_PACKAGES=(
  libgtest-dev libgmock-dev                   # tests
  libsqlite3-dev                              # the engine benchmark's yardstick only
  xvfb xdotool x11-utils                      # end-to-end tests drive a real window
  appstream                                   # validates the package's AppStream data
  locales                                     # the locale test builds en_GB.UTF-8 from its sources
  "${MORVEL_PACKAGE_PACKAGES[@]}"             # the package test packs this build
)

# morvel_setup [build|package|test]: installs what the task needs (build
# only: the program; package: and what packing needs; test: everything).
morvel_setup() {
  local wanted=("${MORVEL_BUILD_PACKAGES[@]}")
  case "${1:-test}" in
    build) ;;
    package) wanted+=("${MORVEL_PACKAGE_PACKAGES[@]}") ;;
    test) wanted+=("${MORVEL_TEST_PACKAGES[@]}") ;;
    *) echo "morvel_setup: unknown task $1" >&2; return 1 ;;
  esac
  local missing=()
  local pkg
  for pkg in "${wanted[@]}"; do
    dpkg -s "$pkg" >/dev/null 2>&1 || missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1; then
      sudo="sudo"
    else
      echo "Missing packages (${missing[*]}); run this script as root or install sudo." >&2
      return 1
    fi
  fi
  $sudo apt-get update -qq &&
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# morvel_configure DIR [cmake options...]: configure DIR (again) with the options.
morvel_configure() {
  local dir=$1
  shift
  cmake -S "$MORVEL_ROOT" -B "$dir" "$@" >/dev/null
}

# morvel_build DIR [cmake options...]: configure and build everything in DIR.
morvel_build() {
  local dir=$1
  morvel_configure "$@" || return 1
  cmake --build "$dir" -j"$(nproc)"
}

# Shared by run.sh and test.sh: installs the Debian packages Morvel needs,
# asking apt only when something is missing, so a warm machine starts at once.
# Sourced, not run: defines morvel_setup.

MORVEL_PACKAGES=(
  cmake g++ make pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev   # Qt 6 Widgets
  libgtest-dev libgmock-dev                   # tests
  libsqlite3-dev                              # the engine benchmark's yardstick only
  fonts-liberation fonts-dejavu-core          # metric-compatible stand-ins for the UI fonts
  xvfb xdotool x11-utils                      # end-to-end tests drive a real window
)

morvel_setup() {
  local missing=()
  local pkg
  for pkg in "${MORVEL_PACKAGES[@]}"; do
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

# morvel_build DIR [cmake options...]: configure (once) and build into DIR.
morvel_build() {
  local dir=$1
  shift
  cmake -S "$MORVEL_ROOT" -B "$dir" "$@" >/dev/null || return 1
  cmake --build "$dir" -j"$(nproc)"
}

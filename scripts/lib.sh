# Shared by the scripts: installing what is missing, and configuring and building a tree.

# Installs the named Debian packages that are not installed yet (as root; otherwise says what is missing).
ensure_packages() {
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "missing packages: ${missing[*]} (run as root, or install them with apt-get)" >&2
    return 1
  fi
  echo "installing: ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# Configures the tree in the given build folder with the given options, and builds it.
configure_and_build() {
  local dir=$1
  shift
  cmake -S . -B "$dir" "$@" >/dev/null
  cmake --build "$dir" -j"$(nproc)"
}

# Generates a locale (e.g. en_US UTF-8) unless the system has it already.
ensure_locale() {
  local name=$1 charset=$2
  local want
  want=$(echo "$name.$charset" | tr 'A-Z' 'a-z' | tr -d '-')
  locale -a 2>/dev/null | tr 'A-Z' 'a-z' | tr -d '-' | grep -qx "$want" && return 0
  ensure_packages locales
  localedef -i "$name" -f "$charset" "$name.$charset"
}

# Checks a Debian package with lintian: any error or warning fails.
check_with_lintian() {
  local report status=0
  report=$(lintian --fail-on error,warning "$@" 2>&1) || status=$?
  report=$(echo "$report" | grep -v "running with root privileges" || true)
  [ -n "$report" ] && echo "$report"
  if [ "$status" -ne 0 ]; then
    echo "lintian: $(basename "$1"): errors or warnings" >&2
    return 1
  fi
  echo "lintian: $(basename "$1"): no errors, no warnings"
}

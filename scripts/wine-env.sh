# Sourced by the other scripts: where things live and how Wine is set up for Ludvane.
LUDVANE_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
LUDVANE_BUILD="${LUDVANE_BUILD:-$LUDVANE_ROOT/build}"
# Wine takes each process's ANSI and OEM code pages from its locale. Every Wine program runs in
# zh_CN.UTF-8 (made by setup.sh; code page 936, the players' own), through ludvane_wine, unless
# LUDVANE_WINE_LOCALE names another: the test run of a non-Chinese Windows takes C.UTF-8 (code
# pages 1252 and 437) in the same prefix and wineserver. The scripts and the other tools keep
# C.UTF-8, which every Debian has: the C library reads the list of made locales once per
# process, so the script that ran setup.sh could not switch to a locale made meanwhile, and bash
# would print a warning for it.
export LANG=C.UTF-8
export LC_ALL=C.UTF-8
LUDVANE_WINE_LOCALE="${LUDVANE_WINE_LOCALE:-zh_CN.UTF-8}"
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko: their installers would ask over the network this machine does not have.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
WINE64=/usr/lib/wine/wine64
# The 32-bit Wine runs the shipped 32-bit ludvane.exe, in the same prefix as the 64-bit one.
WINE32=/usr/lib/wine/wine

# Runs a command in Wine's locale (LC_ALL wins over LANG): one of Wine's programs, or a command
# that starts them.
ludvane_wine() {
  LANG="$LUDVANE_WINE_LOCALE" LC_ALL="$LUDVANE_WINE_LOCALE" "$@"
}

# Wine writes a few notes of its own to the standard error whatever WINEDEBUG says, such as
# "wine: Read access denied for device ..." each time a program asks for the volume of drive Z:
# (Linux's /). A filter for a Wine program's standard error that drops them, and only them.
ludvane_drop_wine_notes() {
  grep --line-buffered -v -e '^wine: Read access denied for device ' || true
}

# Creates (once) the Wine prefix at $1. A prefix made while the 32-bit Wine could not start lacks
# its 32-bit half (every 32-bit program in it then fails with "could not load kernel32.dll"), so
# where the 32-bit Wine runs now, such a prefix is made again.
ludvane_ensure_prefix() {
  export WINEPREFIX="$1"
  if [ -f "$WINEPREFIX/system.reg" ] && [ "${LUDVANE_WINE32_WAY:-none}" != none ] &&
     [ ! -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ]; then
    echo "The Wine prefix $WINEPREFIX lacks its 32-bit half; making it again."
    wineserver -k 2>/dev/null || true
    wineserver -w
    rm -rf "$WINEPREFIX"
  fi
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    ludvane_wine "$WINE64" wineboot -i >/dev/null 2>&1 || true
    wineserver -w
  fi
}

# The 32-bit Wine runs one of two ways, chosen by the machine (LUDVANE_WINE32_WAY):
#  - native: the kernel runs 32-bit programs itself.
#  - emulated: where it does not (or LUDVANE_EMULATE_32BIT=1 asks for it), the 32-bit Wine's own
#    32-bit Linux programs run through qemu-i386, QEMU's user-mode emulator, taken from Debian's
#    qemu-user package of bookworm-backports (version 10; bookworm's own 7.2 cannot start Wine).
#    The kernel hands every 32-bit program to it through a binfmt_misc registration that lives
#    in a private user and mount namespace (Linux 6.7 or later): nothing is registered for the
#    whole machine, and the registration ends with the command. The calling script runs again
#    inside that namespace (ludvane_enter_wine32_way).
#  - none: neither works; LUDVANE_WINE32_WHY says why.
LUDVANE_QEMU_DIR="$LUDVANE_BUILD/qemu"
LUDVANE_QEMU="$LUDVANE_QEMU_DIR/qemu-i386"
LUDVANE_QEMU_SUITE=bookworm-backports
# The Debian mirror the machine's own apt sources name for the release (LUDVANE_DEBIAN_MIRROR
# overrides it).
ludvane_debian_mirror() {
  if [ -n "${LUDVANE_DEBIAN_MIRROR:-}" ]; then
    echo "$LUDVANE_DEBIAN_MIRROR"
    return
  fi
  cat /etc/apt/sources.list.d/*.sources /etc/apt/sources.list 2>/dev/null |
    awk '/^URIs:/ && $2 ~ /\/debian\/?$/ {print $2; exit}
         /^deb / {for (i = 2; i <= NF; i++) if ($i ~ /\/debian\/?$/) {print $i; exit}}'
}

# True when the 32-bit Wine starts natively here (and emulation is not asked for).
ludvane_wine32_starts_natively() {
  [ "${LUDVANE_EMULATE_32BIT:-0}" != 1 ] && "$WINE32" --version >/dev/null 2>&1
}

# Makes sure $LUDVANE_QEMU is there: downloads Debian's qemu-user package with an apt
# configuration of its own (its own sources, lists and cache; the machine's apt sources stay as
# they are) and keeps only qemu-i386 out of it.
ludvane_fetch_qemu() {
  [ -x "$LUDVANE_QEMU" ] && return 0
  echo "Fetching qemu-i386 from Debian's qemu-user package ($LUDVANE_QEMU_SUITE) ..."
  mkdir -p "$LUDVANE_QEMU_DIR"
  local work
  work="$(mktemp -d "$LUDVANE_QEMU_DIR/fetch.XXXXXX")"
  mkdir -p "$work/lists/partial" "$work/cache/archives/partial"
  cat > "$work/qemu.sources" <<SOURCES
Types: deb
URIs: $(ludvane_debian_mirror)
Suites: $LUDVANE_QEMU_SUITE
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
  local apt=(-o "Dir::Etc::sourcelist=$work/qemu.sources" -o Dir::Etc::sourceparts=-
             -o "Dir::State::Lists=$work/lists" -o "Dir::Cache=$work/cache"
             -o "APT::Architectures=$(dpkg --print-architecture)" -o Acquire::Languages=none
             -o "APT::Sandbox::User=$(id -un)" -o Debug::NoLocking=1)
  source "$LUDVANE_ROOT/scripts/apt-tolerant.sh"
  ludvane_apt_update apt-get "${apt[@]}" -qq update
  if (cd "$work" && LC_ALL=C apt-get "${apt[@]}" -qq download "qemu-user/$LUDVANE_QEMU_SUITE") &&
     (cd "$work" && dpkg-deb --fsys-tarfile qemu-user_*.deb | tar -x ./usr/bin/qemu-i386); then
    mv "$work/usr/bin/qemu-i386" "$LUDVANE_QEMU"
  fi
  rm -rf "$work"
  [ -x "$LUDVANE_QEMU" ]
}

# Inside a private user and mount namespace: mounts an instance of binfmt_misc of its own and
# registers qemu-i386 there for 32-bit x86 ELF programs (the magic and mask QEMU uses). F opens
# the emulator now; O and C hand it the program and its credentials.
ludvane_register_qemu() {
  local mnt="$LUDVANE_QEMU_DIR/binfmt_misc"
  mkdir -p "$mnt"
  mount -t binfmt_misc binfmt_misc "$mnt" || return 1
  local magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
  local mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
  printf '%s' ":ludvane-i386:M::$magic:$mask:$LUDVANE_QEMU:OCF" > "$mnt/register"
}

# Runs a command in a private namespace with qemu-i386 registered.
ludvane_run_emulated() {
  unshare --user --map-root-user --mount bash -c '
    source "$1"
    shift
    ludvane_register_qemu || exit 1
    exec "$@"' run-emulated "$LUDVANE_ROOT/scripts/wine-env.sh" "$@"
}

# Chooses the way (LUDVANE_WINE32_WAY, and LUDVANE_WINE32_WHY where there is none).
ludvane_choose_wine32_way() {
  LUDVANE_WINE32_WHY=""
  if ludvane_wine32_starts_natively; then
    LUDVANE_WINE32_WAY=native
    return
  fi
  local native_why="LUDVANE_EMULATE_32BIT=1 asks for emulation" probe
  if [ "${LUDVANE_EMULATE_32BIT:-0}" != 1 ]; then
    native_why="the 32-bit Wine does not start natively ($(export LC_ALL=C
      "$WINE32" --version 2>&1 | tail -n 1 | sed "s|.*$WINE32: ||" || true))"
  fi
  LUDVANE_WINE32_WAY=none
  if ! ludvane_fetch_qemu >&2; then
    LUDVANE_WINE32_WHY="$native_why, and qemu-i386 could not be fetched from Debian's \
$LUDVANE_QEMU_SUITE"
  elif ! probe="$(LC_ALL=C ludvane_run_emulated "$WINE32" --version 2>&1)"; then
    LUDVANE_WINE32_WHY="$native_why, and it does not start through qemu-i386 either: \
$(printf '%s' "$probe" | tail -n 1) (a binfmt_misc registration in a private namespace needs \
Linux 6.7 or later; this kernel is $(uname -r))"
  else
    LUDVANE_WINE32_WAY=emulated
  fi
}

# Called first by the scripts that run the 32-bit Wine, with the script's path and arguments.
# Chooses the way, prints it in one line and, where it is emulated, runs the script again from
# the top inside the private namespace, where the 32-bit Wine then simply runs. Where neither
# way works, prints nothing: the script says what it leaves out (see LUDVANE_WINE32_WHY).
ludvane_enter_wine32_way() {
  if [ "${LUDVANE_WINE32_NAMESPACE:-}" = 1 ]; then
    LUDVANE_WINE32_WAY=emulated
    return
  fi
  ludvane_choose_wine32_way
  case "$LUDVANE_WINE32_WAY" in
    native) echo "32-bit Wine: native" ;;
    emulated)
      local version
      version="$("$LUDVANE_QEMU" --version | awk 'NR == 1 {print $3}')"
      echo "32-bit Wine: emulated (qemu-i386 $version, registered in a private namespace)"
      export LUDVANE_WINE32_NAMESPACE=1
      ludvane_run_emulated bash "$@"
      exit $? ;;
    none)
      if [ "${LUDVANE_EMULATE_32BIT:-0}" = 1 ]; then
        echo "LUDVANE_EMULATE_32BIT=1, but the emulated 32-bit Wine cannot run: \
$LUDVANE_WINE32_WHY" >&2
        exit 1
      fi ;;
  esac
}

# Makes the stand-in interpreter (fake_cmd.exe: $1 the 32-bit one, $2 the 64-bit one; either may
# be empty) the prefix's own system32\cmd.exe and syswow64\cmd.exe, since Wine's mklink makes no
# links. Wine's own interpreter stays beside it as wine-cmd.exe for every other command line.
# Wine takes a cmd.exe of the prefix's only when told to (cmd.exe=n).
ludvane_install_standin() {
  local windows="$WINEPREFIX/drive_c/windows"
  local standin32="${1:-$2}" standin64="${2:-$1}" own
  for own in /usr/lib/*/wine/x86_64-windows/cmd.exe; do
    [ -f "$own" ] && cp "$own" "$windows/system32/wine-cmd.exe"
  done
  for own in /usr/lib/*/wine/i386-windows/cmd.exe; do
    [ -f "$own" ] && cp "$own" "$windows/syswow64/wine-cmd.exe"
  done
  cp "$standin64" "$windows/system32/cmd.exe"
  cp "$standin32" "$windows/syswow64/cmd.exe"
  case ";$WINEDLLOVERRIDES;" in
    *";cmd.exe=n;"*) ;;
    *) export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;cmd.exe=n" ;;
  esac
}

# Sets LUDVANE_BUILDS to the builds this machine runs, the shipped 32-bit one first, and makes
# their stand-in the prefix's interpreter. Where the 32-bit Wine runs neither way, prints $1,
# one plain line saying what is left out, with the reason, and keeps the x86_64 build alone.
ludvane_use_standin_builds() {
  if [ "${LUDVANE_WINE32_WAY:-none}" != none ]; then
    LUDVANE_BUILDS="i686 x86_64"
    ludvane_install_standin "$LUDVANE_BUILD/i686/tests/fake_cmd.exe" \
      "$LUDVANE_BUILD/x86_64/tests/fake_cmd.exe"
  else
    echo "$1 Reason: $LUDVANE_WINE32_WHY."
    LUDVANE_BUILDS="x86_64"
    ludvane_install_standin "" "$LUDVANE_BUILD/x86_64/tests/fake_cmd.exe"
  fi
}

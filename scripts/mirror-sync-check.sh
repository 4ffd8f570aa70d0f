#!/usr/bin/env bash
# A developer's check that setup.sh gets through a Debian mirror caught mid-sync, on a real apt
# failure rather than a mock. Run it by hand, as root, where setup.sh has installed everything;
# .ci/run does not run it, since it removes and installs a package and takes a minute and a half.
#
# For its run alone it adds an apt source of its own: a local repository whose Release names a
# wrong size for one of its Packages files, as a mirror's does while it syncs, so apt-get update
# fails on that index. It removes x11-apps (setup.sh installs it; nothing here uses it and no
# installed package depends on it), runs setup.sh and checks that it ends 0, with x11-apps
# installed again and the failed index named. Twice:
#  1. The repository's only index fails.
#  2. As on a fresh machine whose amd64 lists came in before setup.sh added i386: the
#     repository's amd64 index, fetched before, offers a newer x11-apps that needs a newer
#     multi-arch libpng16-16, and its i386 index fails. A multi-arch library's two halves must
#     match, so the first install cannot resolve, and setup.sh's retry with the release's own
#     suite must.
# The source, its lists and the temporary files go whatever happens, and x11-apps is installed
# again if a run left it out.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'
}
candidate() {
  apt-cache policy "$1" | awk '$1 == "Candidate:" {print $2}'
}

if [ "$(id -u)" -ne 0 ]; then
  echo "mirror-sync-check.sh: run it as root." >&2
  exit 1
fi
if ! installed x11-apps; then
  echo "mirror-sync-check.sh: x11-apps is not installed; run scripts/setup.sh first." >&2
  exit 1
fi

suite=ludvane-mirror-sync-check
work="$(mktemp -d "/tmp/$suite.XXXXXX")"
# apt's file method reads the repository as the user _apt.
chmod 755 "$work"
repo="$work/repo"
source_file="/etc/apt/sources.list.d/$suite.list"
# apt names a source's lists after its URI, with / as _.
lists_prefix="/var/lib/apt/lists/$(printf '%s' "$repo" | tr / _)_"

cleanup() {
  rm -f "$source_file" "$lists_prefix"*
  rm -rf "$work"
  if ! installed x11-apps; then
    echo "Installing x11-apps again."
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq x11-apps >/dev/null ||
      echo "mirror-sync-check.sh: x11-apps could not be installed again." >&2
  fi
}
trap cleanup EXIT

# Versions above every candidate, so that only this repository has them. The files they name
# are not there: should apt ever choose them, its download fails before dpkg changes anything.
png="$(candidate libpng16-16:amd64)+check1"
x11="$(candidate x11-apps)+check1"
for arch in amd64 i386; do
  mkdir -p "$repo/dists/$suite/main/binary-$arch"
  {
    printf 'Package: libpng16-16\nVersion: %s\nArchitecture: %s\nMulti-Arch: same\n' "$png" "$arch"
    printf 'Filename: pool/libpng16-16_%s_%s.deb\nSize: 1000\n' "$png" "$arch"
    printf 'Description: PNG library - runtime (version 1.6)\n'
    if [ "$arch" = amd64 ]; then
      printf '\nPackage: x11-apps\nVersion: %s\nArchitecture: amd64\n' "$x11"
      printf 'Depends: libpng16-16 (>= %s)\n' "$png"
      printf 'Filename: pool/x11-apps_%s_amd64.deb\nSize: 1000\nDescription: X applications\n' "$x11"
    fi
  } > "$repo/dists/$suite/main/binary-$arch/Packages"
done

# Writes the Release for the architectures given after $1, naming each Packages file's size and
# SHA256 sum; the size of $1's is 7 bytes off.
write_release() {
  local bad="$1" arch file size
  shift
  {
    printf 'Suite: %s\nCodename: %s\nDate: %s\n' "$suite" "$suite" "$(LC_ALL=C date -u -R)"
    printf 'Architectures: %s\nComponents: main\nSHA256:\n' "$*"
    for arch; do
      file="main/binary-$arch/Packages"
      size="$(stat -c %s "$repo/dists/$suite/$file")"
      [ "$arch" = "$bad" ] && size=$((size + 7))
      printf ' %s %s %s\n' "$(sha256sum < "$repo/dists/$suite/$file" | cut -d ' ' -f 1)" \
        "$size" "$file"
    done
  } > "$repo/dists/$suite/Release"
}

failures=0
# Runs the command after $1, the check's name, and says whether it passed.
check() {
  local name="$1"
  shift
  if "$@"; then
    echo "ok: $name"
  else
    echo "FAILED: $name"
    failures=$((failures + 1))
  fi
}

# Removes x11-apps, runs setup.sh and checks what it did; $1 is the index that must be named.
run_setup() {
  DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq x11-apps >/dev/null
  echo "x11-apps removed; running scripts/setup.sh:"
  local rc=0 start=$SECONDS
  bash "$root/scripts/setup.sh" > "$work/setup.out" 2>&1 || rc=$?
  sed 's/^/  | /' "$work/setup.out"
  echo "setup.sh ended $rc after $((SECONDS - start)) s."
  check "setup.sh ends 0" [ "$rc" -eq 0 ]
  check "x11-apps is installed again" installed x11-apps
  check "the failed index ($1) is named" \
    grep -q "going on with the lists apt has.*$suite/$1" "$work/setup.out"
}

echo "== 1. The only index of an apt source fails ($suite/main/binary-amd64/Packages)"
write_release amd64 amd64
echo "deb [trusted=yes] file:$repo $suite main" > "$source_file"
run_setup main/binary-amd64/Packages

echo
echo "== 2. The amd64 index is from before, the i386 index fails: the first install cannot resolve"
write_release "" amd64
# This source alone, keeping every other source's lists.
LC_ALL=C apt-get -qq -o "Dir::Etc::sourcelist=$source_file" -o Dir::Etc::sourceparts=- \
  -o APT::Get::List-Cleanup=0 update
check "the repository's x11-apps $x11 is the candidate" [ "$(candidate x11-apps)" = "$x11" ]
write_release i386 amd64 i386
run_setup main/binary-i386/Packages
check "the install was tried again with the release's own suite" \
  grep -q "trying once more with the release's own suite" "$work/setup.out"
check "x11-apps is the release's own version, not the repository's" \
  [ "$(dpkg-query -W -f='${Version}' x11-apps)" != "$x11" ]

echo
if [ "$failures" -eq 0 ]; then
  echo "mirror-sync-check.sh: every check passed."
else
  echo "mirror-sync-check.sh: $failures check(s) failed."
  exit 1
fi

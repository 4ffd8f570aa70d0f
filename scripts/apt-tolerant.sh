# Sourced by setup.sh and wine-env.sh: an apt-get update that gets through a Debian mirror
# caught mid-sync.

# Runs the update command given ("$@"), tried again a few times with a short pause while it
# fails. When it still fails, goes on with the lists apt has and says in one line which indexes
# failed (every one: a mirror may be mid-sync for more than one suite); apt's other errors are
# shown as they are.
ludvane_apt_update() {
  local try output
  for try in 1 2 3; do
    if output="$(LC_ALL=C "$@" 2>&1)"; then
      return 0
    fi
    [ "$try" -lt 3 ] && sleep 10
  done
  local failed count
  failed="$(printf '%s\n' "$output" | sed -n 's|^E: Failed to fetch [^ ]*/dists/\([^ ]*\) *\(.*\)|\1 (\2)|p' |
    sed "s| *\\[IP: [^]]*\\]||")"
  count="$(printf '%s\n' "$failed" | grep -c .)" || true
  failed="$(printf '%s\n' "$failed" | awk 'NR > 1 {printf "; "} {printf "%s", $0}')"
  if [ "$count" -eq 1 ]; then
    echo "apt-get update: going on with the lists apt has; this index failed: $failed"
  elif [ "$count" -gt 1 ]; then
    echo "apt-get update: going on with the lists apt has; these indexes failed: $failed"
  else
    printf '%s\n' "$output" >&2
    echo "apt-get update failed (above); going on with the lists apt has."
  fi
  return 0
}

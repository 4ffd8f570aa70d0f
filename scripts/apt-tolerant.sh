# Sourced by setup.sh and wine-env.sh: an apt-get update that gets through a Debian mirror
# caught mid-sync.

# Runs the update command given ("$@"), tried again a few times with a short pause while it
# fails. When it still fails, goes on with the lists apt has and says in one line which index
# failed; apt's other errors are shown as they are.
ludvane_apt_update() {
  local try output
  for try in 1 2 3; do
    if output="$(LC_ALL=C "$@" 2>&1)"; then
      return 0
    fi
    [ "$try" -lt 3 ] && sleep 10
  done
  local failed
  failed="$(printf '%s\n' "$output" | sed -n 's|^E: Failed to fetch [^ ]*/dists/\([^ ]*\) *\(.*\)|\1 (\2)|p' |
    sed "s| *\\[IP: [^]]*\\]||" | head -n 1)"
  if [ -n "$failed" ]; then
    echo "apt-get update: going on with the lists apt has; this index failed: $failed"
  else
    printf '%s\n' "$output" >&2
    echo "apt-get update failed (above); going on with the lists apt has."
  fi
  return 0
}

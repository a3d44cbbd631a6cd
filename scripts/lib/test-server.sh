# Shared by scripts/test-postgres and scripts/test-mariadb, the database servers of
# the tests and benchmarks of tables linked through ODBC. Sourced, never run.
#
# 1. Paths may come as Wine gives them to a Linux program ("Z:\tmp\x"): unix_path.
# 2. Wine does not wait for a Linux program it starts: with SCANDREL_STATUS_FILE set,
#    the exit status is written there at the end.
# 3. The servers refuse to run as root: as root, as_owner USER runs a step as USER.
# 4. watch_process PID STOP...: once PID has ended, whatever way, run STOP.

unix_path() {
  local p=$1
  if [[ $p =~ ^[Zz]: ]]; then p=${p:2}; p=${p//\\//}; fi
  printf '%s' "$p"
}

if [ -n "${SCANDREL_STATUS_FILE:-}" ]; then
  status_file=$(unix_path "$SCANDREL_STATUS_FILE")
  trap 'echo $? >"$status_file.part"; mv "$status_file.part" "$status_file"' EXIT
fi

as_owner() {
  local user=$1; shift
  if [ "$(id -u)" -eq 0 ]; then runuser -u "$user" -- "$@"; else "$@"; fi
}

watch_process() {
  local watched=$1; shift
  (while kill -0 "$watched" 2>/dev/null; do sleep 1; done; "$@") </dev/null >/dev/null 2>&1 &
}

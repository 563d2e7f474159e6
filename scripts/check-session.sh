#!/usr/bin/env bash
# Drives the PowerMill session link from outside, the way a user's machine
# would see it: pmsim records an installed PowerMill 2024 and runs a user's
# session with the example project; corvana-host runs the add-in against it
# (status, a live open, an import, a folder open that starts PowerMill, stop);
# a session that ends after N tools gives a partial load of exactly N tools;
# and corvana lists the sessions. Every setting and socket lives in a private
# folder (XDG_CONFIG_HOME, XDG_RUNTIME_DIR), and no pmsim may outlive the check.
#
# Usage: scripts/check-session.sh [BUILD-DIR]   (default build/debug)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${1:-build/debug}
case "$build" in /*) ;; *) build="$root/$build" ;; esac

pmsim="$build/apps/pmsim/pmsim"
corvana="$build/apps/corvana/corvana"
host="$build/apps/corvana-host/corvana-host"
project="$root/examples/example-project"
for program in "$pmsim" "$corvana" "$host"; do
  [ -x "$program" ] || { echo "check-session: $program is not built" >&2; exit 2; }
done

work=$(mktemp -d)
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR" "$work/libs"
chmod 700 "$XDG_RUNTIME_DIR"
table="$XDG_RUNTIME_DIR/corvana-automation"

# pids of the pmsim processes this script started; ended and reaped on exit.
started=()
cleanup() {
  for pid in "${started[@]}"; do
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap cleanup EXIT

failures=0
check() {  # check DESCRIPTION COMMAND...
  local description=$1
  shift
  if "$@"; then
    echo "ok    $description"
  else
    echo "FAIL  $description" >&2
    failures=$((failures + 1))
  fi
}

# Waits (bounded) until `corvana sessions --json` lists COUNT sessions.
await_sessions() {
  local count=$1
  for _ in $(seq 200); do
    [ "$("$corvana" sessions --json | grep -c .)" = "$count" ] && return 0
    sleep 0.05
  done
  return 1
}

# A user's PowerMill, started as the user would; its pid is kept for cleanup.
serve() {
  "$pmsim" serve "$@" &
  started+=("$!")
}

# The palette messages of one corvana-host run, one {"action","data"} per line.
run_host() {  # run_host SCRIPT-FILE OUTPUT-FILE
  "$host" --libraries "$work/libs" --time-scale 0.05 --script "$1" >"$2" 2>"$work/host.err" || {
    cat "$work/host.err" >&2
    return 1
  }
}

# Python reads the JSON lines: exact checks on what the add-in sent.
python_check() {  # python_check OUTPUT-FILE PYTHON-EXPRESSIONS...
  local output=$1
  shift
  python3 - "$output" "$@" <<'EOF'
import json, sys
messages = []
for line in open(sys.argv[1], encoding="utf-8"):
    record = json.loads(line)
    if "action" in record:
        messages.append((record["action"], json.loads(record["data"])))
def all_of(action):
    return [data for name, data in messages if name == action]
def statuses():
    return [data["status"] for name, data in messages if name == "REPLY_PM_OPEN_STATUS"]
ok = True
for expression in sys.argv[2:]:
    if not eval(expression):
        print("  not true: " + expression, file=sys.stderr)
        ok = False
sys.exit(0 if ok else 1)
EOF
}

check "pmsim install --year 2024" "$pmsim" install --year 2024 -- --log "$work/launched.log"
serve --project "$project" --log "$work/user.log"
user_pid=${started[0]}
check "the user's session is running" await_sessions 1
check "corvana sessions --json lists it" test "$("$corvana" sessions --json)" = \
  '{"projectName":"example-project","pmVersion":"2024.1.0","toolCount":10,"isMetric":true}'
check "corvana sessions names the release" \
  test "$("$corvana" sessions | head -n 1)" = "PowerMill 2024 is installed."

cat >"$work/open.jsonl" <<EOF
{"send":"GET_PM_STATUS","data":""}
{"send":"OPEN_PM_PROJECT","data":"{\"type\":\"live\",\"sessionIndex\":0}"}
{"send":"IMPORT_PM_TOOLS","data":"{\"libraryName\":\"From PowerMill\",\"selectedIndices\":[0,1,2,3,4,5,6,7,8,9]}"}
{"send":"OPEN_PM_PROJECT","data":"{\"type\":\"folder\",\"path\":\"$project\"}"}
{"stop":true}
EOF
check "corvana-host runs the opens" run_host "$work/open.jsonl" "$work/open.out"
check "GET_PM_STATUS lists the user's session" python_check "$work/open.out" \
  'all_of("REPLY_PM_STATUS") == [{"pmInstalled": True, "sessions": [{"projectName": "example-project", "pmVersion": "2024.1.0", "toolCount": 10, "isMetric": True}]}]'
check "the live open and the folder open read 10 tools each" python_check "$work/open.out" \
  'len(all_of("PM_TOOL")) == 20' \
  '[d["count"] for d in all_of("REPLY_PM_LOADED")] == [10, 10]' \
  'all("partial" not in d for d in all_of("REPLY_PM_LOADED"))' \
  'all(d["projectName"] == "example-project" and d["isMetric"] for d in all_of("REPLY_PM_LOADED"))'
check "IMPORT_PM_TOOLS writes the library" python_check "$work/open.out" \
  'len(all_of("REPLY_IMPORT_TOOLS")) == 1 and all_of("REPLY_IMPORT_TOOLS")[0]["success"]'
check "the library file holds the tools" test -n "$(grep -l '"From PowerMill"' "$work/libs"/* 2>/dev/null)"
check "the folder open launched PowerMill" python_check "$work/open.out" \
  'statuses() == ["extracting", "launching", "starting", "opening", "reading", "extracting"]'
check "the launched PowerMill was told to exit at stop" \
  test "$(tail -n 1 "$work/launched.log" 2>/dev/null)" = "EXIT"
launched_gone() {
  for _ in $(seq 100); do
    ps -eo args= | grep -F -- "$work/launched.log" | grep -vq grep || return 0
    sleep 0.05
  done
  return 1
}
check "no launched pmsim is left after stop" launched_gone
check "the user's PowerMill keeps running" kill -0 "$user_pid"

# A session that ends after serving its 4th tool: a partial load of exactly 4.
kill -TERM "$user_pid"
wait "$user_pid" 2>/dev/null || true
check "the user's session is gone" await_sessions 0
serve --project "$project" --exit-after 4
ending_pid=${started[1]}
check "the ending session is running" await_sessions 1
cat >"$work/partial.jsonl" <<EOF
{"send":"GET_PM_STATUS","data":""}
{"send":"OPEN_PM_PROJECT","data":"{\"type\":\"live\",\"sessionIndex\":0}"}
{"stop":true}
EOF
check "corvana-host runs the open of the ending session" run_host "$work/partial.jsonl" "$work/partial.out"
check "--exit-after 4 gives a partial load of exactly 4 tools" python_check "$work/partial.out" \
  'len(all_of("PM_TOOL")) == 4' \
  'all_of("REPLY_PM_LOADED") == [{"cancelled": False, "partial": True, "partialReason": "session_lost", "count": 4, "projectName": "example-project", "isMetric": True, "pmVersion": "2024.1.0"}]'
wait "$ending_pid" 2>/dev/null || true

serve --project "$project" --exit-after 3
ending_pid=${started[2]}
check "the second ending session is running" await_sessions 1
"$corvana" inspect --session 0 --json >"$work/inspect.out" 2>"$work/inspect.err" || true
check "corvana inspect --session 0 reads exactly 3 tools" test "$(grep -c . "$work/inspect.out")" = 3
check "and says the session ended" grep -q "The PowerMill session ended; only the first 3 tools were read." \
  "$work/inspect.err"
wait "$ending_pid" 2>/dev/null || true

no_pmsim_left() {
  for pid in "${started[@]}"; do
    [ ! -e "/proc/$pid" ] || return 1
  done
  ! ps -eo args= | grep -F -- "$work/" | grep -q '[p]msim'
}
check "no pmsim is left running" no_pmsim_left
check "the running-object table is empty" test -z "$(ls -A "$table" 2>/dev/null)"

if [ "$failures" -ne 0 ]; then
  echo "check-session: $failures check(s) failed" >&2
  exit 1
fi
echo "check-session: all checks passed"

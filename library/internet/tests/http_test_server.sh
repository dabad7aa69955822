#!/usr/bin/env bash
# Starts or stops the download tests' HTTP server (http_test_server.py) on 127.0.0.1.
# usage: http_test_server.sh start|stop FOLDER
# "start" leaves the port in FOLDER/http_test_server.port once the server accepts connections
# (the test programs beside it read it from there); "stop" ends that server and removes the
# file. The server's output goes to FOLDER/http_test_server.log, never to the caller's pipes:
# the test runner waits for those to close.
set -euo pipefail
action=$1
folder=$(cd "$2" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
port_file=$folder/http_test_server.port
pid_file=$folder/http_test_server.pid

stop() {
  if [ -f "$pid_file" ]; then
    pid=$(cat "$pid_file")
    # Only the server this script started: the number may have been reused since.
    if grep -q http_test_server.py "/proc/$pid/cmdline" 2>/dev/null; then
      kill "$pid" 2>/dev/null || true
    fi
    rm -f "$pid_file"
  fi
  rm -f "$port_file"
}

case $action in
start)
  stop
  python3 "$here/http_test_server.py" "$port_file" >"$folder/http_test_server.log" 2>&1 </dev/null &
  echo $! >"$pid_file"
  for _ in $(seq 200); do
    [ -s "$port_file" ] && { echo "HTTP test server on 127.0.0.1:$(cat "$port_file")"; exit 0; }
    kill -0 "$(cat "$pid_file")" 2>/dev/null || break
    sleep 0.05
  done
  echo "the HTTP test server did not start:"
  cat "$folder/http_test_server.log"
  stop
  exit 1
  ;;
stop)
  stop
  ;;
*)
  echo "usage: $0 start|stop FOLDER" >&2
  exit 2
  ;;
esac

#!/usr/bin/env bash
# Starts or stops the download tests' HTTP server (http_test_server.py) on 127.0.0.1.
# usage: http_test_server.sh start|stop FOLDER
# "start" leaves the port in FOLDER/http_test_server.port once the server accepts connections
# (the test programs beside it read it from there), the https servers' ports in
# FOLDER/tls_test_servers, and, where tinyproxy is installed, a proxy on 127.0.0.1 whose port is
# in FOLDER/proxy.port and whose log is FOLDER/proxy.log; "stop" ends them and removes the
# files. The server's output goes to FOLDER/http_test_server.log, never to the caller's pipes:
# the test runner waits for those to close.
set -euo pipefail
action=$1
folder=$(cd "$2" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
port_file=$folder/http_test_server.port
pid_file=$folder/http_test_server.pid
proxy_pid_file=$folder/proxy.pid

# A Python that has the cryptography package, for the https servers' certificates.
python=python3
for candidate in python3 /usr/bin/python3; do
  if "$candidate" -c 'import cryptography' 2>/dev/null; then python=$candidate; break; fi
done

start_proxy() {
  command -v tinyproxy >/dev/null || { echo "no tinyproxy: the proxy cases will fail"; return 0; }
  local port
  port=$("$python" -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  # No ConnectPort line: tunnels to any port (the https test servers' ports are random).
  cat >"$folder/proxy.conf" <<CONF
Port $port
Listen 127.0.0.1
Timeout 60
MaxClients 100
Allow 127.0.0.1
LogLevel Info
LogFile "$folder/proxy.log"
PidFile "$proxy_pid_file"
CONF
  : >"$folder/proxy.log"
  tinyproxy -d -c "$folder/proxy.conf" >/dev/null 2>&1 </dev/null &
  echo $! >"$proxy_pid_file"
  for _ in $(seq 100); do
    if "$python" -c "import socket,sys; socket.create_connection(('127.0.0.1', $port), 1)" 2>/dev/null; then
      echo "$port" >"$folder/proxy.port"
      echo "proxy on 127.0.0.1:$port"
      return 0
    fi
    sleep 0.05
  done
  echo "the proxy did not start"
}

stop() {
  if [ -f "$proxy_pid_file" ]; then
    pid=$(cat "$proxy_pid_file")
    if grep -q tinyproxy "/proc/$pid/cmdline" 2>/dev/null; then kill "$pid" 2>/dev/null || true; fi
    rm -f "$proxy_pid_file"
  fi
  rm -f "$folder/proxy.port" "$folder/tls_test_servers"
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
  "$python" "$here/http_test_server.py" "$port_file" >"$folder/http_test_server.log" 2>&1 </dev/null &
  echo $! >"$pid_file"
  for _ in $(seq 200); do
    if [ -s "$port_file" ]; then
      echo "HTTP test server on 127.0.0.1:$(cat "$port_file")"
      start_proxy
      exit 0
    fi
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

#!/usr/bin/env bash
# Measures pelorin against curl on loopback nginx, side by side in one run, and prints two
# tables: scripted runs (--send), and sends through the real request window (offscreen,
# from the SEND click until idle). Builds the release preset first.
# Usage: bench/run.sh [--quick] [--proxy-only] [--window-only] (--quick skips 1 GB; --proxy-only
# runs only the row through a proxy; --window-only only the window's rows and start-up).
set -euo pipefail
cd "$(dirname "$0")/.."
quick=0
proxy_only=0
window_only=0
for arg in "$@"; do
    [ "$arg" = "--quick" ] && quick=1
    [ "$arg" = "--proxy-only" ] && proxy_only=1
    [ "$arg" = "--window-only" ] && window_only=1
done

./dev setup >/dev/null
command -v /usr/bin/time >/dev/null || { echo "installing GNU time"; apt-get install -y -q time >/dev/null; }
cmake --preset release >/dev/null
cmake --build --preset release --target pelorin WindowSend_bench BareWindow | tail -n 1
pelorin=$PWD/build/release/pelorin
window=$PWD/build/release/bench/WindowSend_bench
bare=$PWD/build/release/bench/BareWindow

work=$(mktemp -d)
nginx_pid=
cleanup() { [ -n "$nginx_pid" ] && kill "$nginx_pid" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT

mkdir -p "$work/www/s" "$work/tmp" "$work/phr" "$work/data"
line='pelorin benchmark line 0123456789 abcdefghijklmnopqrstuvwxyz ABCDEFGHIJKLMNOPQRSTUVWXYZ'
yes "$line" | head -c 100M > "$work/www/100M.txt" || true
[ $quick -eq 1 ] || yes "$line" | head -c 1G > "$work/www/1G.txt" || true
for i in $(seq 1 200); do printf 'small file %s\n' "$i" > "$work/www/s/$i.txt"; done

freeport() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }
port=$(freeport)
tlsport=$(freeport)
user=; [ "$(id -u)" -eq 0 ] && user='user root;'
cat > "$work/nginx.conf" <<CONF
worker_processes 1; daemon off; pid $work/nginx.pid; error_log $work/error.log; $user
events { worker_connections 256; }
http {
    access_log off; sendfile on; default_type text/plain;
    client_body_temp_path $work/tmp/b; proxy_temp_path $work/tmp/p; fastcgi_temp_path $work/tmp/f;
    uwsgi_temp_path $work/tmp/u; scgi_temp_path $work/tmp/s;
    client_max_body_size 0;
    server { listen 127.0.0.1:$port; root $work/www; location /up { return 200; } }
    server { listen 127.0.0.1:$tlsport ssl; root $work/www; location /up { return 200; }
             ssl_certificate $PWD/tests/support/certs/server.pem;
             ssl_certificate_key $PWD/tests/support/certs/server.key; }
}
CONF
nginx -p "$work" -c "$work/nginx.conf" -e "$work/error.log" &
nginx_pid=$!
for _ in $(seq 50); do curl -s -o /dev/null "http://127.0.0.1:$port/s/1.txt" && break; sleep 0.1; done

phr() { # url file
    printf '<request><host>127.0.0.1</host><port>%s</port><url>%s</url><httpver>HTTP/1.1</httpver><method>GET</method><header>Accept: */*&#13;\n</header><body><![CDATA[]]></body><secure>False</secure></request>' "$port" "$1" > "$2"
}
phr /100M.txt "$work/phr/100M.phr"
phr /1G.txt "$work/phr/1G.phr"
for i in $(seq 1 200); do phr "/s/$i.txt" "$work/phr/s$i.phr"; done
# Uploads to /up, which reads and discards the body: port, secure, body element.
upphr() { # port secure body-element file
    printf '<request><host>localhost</host><port>%s</port><url>/up</url><httpver>HTTP/1.1</httpver><method>POST</method><header>Content-Type: application/octet-stream</header>%s<secure>%s</secure></request>' "$1" "$3" "$2" > "$4"
}
upfile=$work/www/1G.txt; [ $quick -eq 1 ] && upfile=$work/www/100M.txt
upphr "$port" False "<body file=\"$upfile\"><![CDATA[]]></body>" "$work/phr/upfile.phr"
upphr "$tlsport" True "<body file=\"$upfile\"><![CDATA[]]></body>" "$work/phr/upfile-tls.phr"
upphr "$port" False "<body><![CDATA[]]></body>" "$work/phr/upform.phr"
{ printf '<request><host>localhost</host><port>%s</port><url>/up</url><httpver>HTTP/1.1</httpver><method>POST</method><header>Content-Type: text/plain</header><body><![CDATA[' "$port"
  cat "$work/www/100M.txt"; printf ']]></body><secure>False</secure></request>'; } > "$work/phr/upinline.phr"

# Waits until the machine is at rest: both cores at least 95 % idle (time waiting for the disk
# is not idle) and under 64 MB waiting to be written to disk, over two seconds in a row (at most
# a minute). Writing the bodies above back to disk, an upload nginx stored, or the kernel
# handing back the memory of a gigabyte just received, would otherwise run beside the next
# measurement.
rest() { # prints the seconds waited
    python3 - <<'PY'
import time
def idle():
    f = open('/proc/stat').readline().split()[1:]
    v = [int(x) for x in f]
    return v[3], sum(v)  # waiting for the disk is not rest
def unwritten_mb():
    m = dict(l.split(':', 1) for l in open('/proc/meminfo'))
    return (int(m['Dirty'].split()[0]) + int(m['Writeback'].split()[0])) / 1024
start = time.monotonic()
quiet = 0
i0, t0 = idle()
while time.monotonic() - start < 60 and quiet < 2:
    time.sleep(1)
    i1, t1 = idle()
    rest = t1 > t0 and (i1 - i0) / (t1 - t0) >= 0.95 and unwritten_mb() < 64
    quiet = quiet + 1 if rest else 0
    i0, t0 = i1, t1
print(round(time.monotonic() - start))
PY
}
settle() {
    local waited
    waited=$(rest)
    # On a virtual machine the host decides how dear a fresh page is, and it changes from one
    # minute to the next; every large response pays it, so it is printed beside the figures.
    # Here some of the free memory faults in at about 0.4 s per GB and the rest at about 3 s (the
    # pages the host has taken back); the cheap kind is taken first and runs out after a
    # gigabyte or two, so the probe is as large as the largest row.
    local fault
    fault=$(python3 -c '
import mmap, sys, time
size = int(sys.argv[1]) << 20
start = time.monotonic()
m = mmap.mmap(-1, size, flags=mmap.MAP_PRIVATE | mmap.MAP_ANONYMOUS)
m.madvise(23)  # MADV_POPULATE_WRITE: fault every page in at once
print(round((time.monotonic() - start) * 1000 * (1 << 30) / size))
m.close()' "$probe_mb" 2>/dev/null || echo "?")
    # Pages just freed stay cheap for about two seconds, until the kernel hands them back to the
    # host: the measurement after the probe must not start on them.
    waited=$((waited + $(rest)))
    echo "(waited ${waited} s for the machine to be at rest; ${probe_mb} MB of fresh memory faulted in at ${fault} ms per GB)"
}
probe_mb=1024; [ $quick -eq 1 ] && probe_mb=256
sync
settle

export QT_QPA_PLATFORM=offscreen
# Prints "<seconds> <peak KB>" for a command, its output thrown away. The wall time is taken
# to the millisecond (time's own is in steps of 10 ms); the peak is time's.
measure() {
    local start end
    start=$(date +%s%N)
    /usr/bin/time -f '%M' -o "$work/t" "$@" >/dev/null 2>"$work/err" || { cat "$work/err" >&2; return 1; }
    end=$(date +%s%N)
    echo "$(python3 -c "print(($end - $start) / 1e9)") $(cat "$work/t")"
}
ratio() { python3 -c "print(f'{$1/$2:.2f}x')"; }
# The CPU time the host took from this machine's cores so far (steal), in ms: a spell of it
# slows every row it falls in, ours and curl's alike, and the row shows no other trace of it.
steal_ms() { awk '/^cpu /{print $9 * 10}' /proc/stat; }
# Every run of each row, in the order taken, with what the host took meanwhile: a median hides
# whether one run or all three met a dear spell.
runs_line() { # label steal-ms "curl seconds..." our-runs... (each starting with its seconds)
    printf '%s: ours %s s, curl %s s, steal %s ms\n' "$1" \
        "$(printf '%s\n' "${@:4}" | cut -d' ' -f1 | xargs printf '%.2f ' | sed 's/ $//')" \
        "$(printf '%.2f ' $3 | sed 's/ $//')" "$2"
}
show_runs() { # runs_line lines...
    echo "Each run in turn, and the CPU time the host took (steal) during the row:"
    printf '%s\n' "$@"
}

row() { # label pelorin-figures curl-figures
    read -r pt pm <<<"$2"; read -r ct cm <<<"$3"
    printf '| %-28s | %8.3f s | %8.3f s | %7s | %8d MB | %8d MB | %7s |\n' "$1" "$pt" "$ct" "$(ratio "$pt" "$ct")" \
        $((pm / 1024)) $((cm / 1024)) "$(ratio "$pm" "$cm")"
}

# Prints the median (by time) of three runs; single runs of a tenth of a second vary by half
# on a shared machine.
median3() { # command... ; prints "<seconds> <peak KB>" of the median run
    local runs=() k
    for k in 1 2 3; do runs+=("$(measure "$@")") || return 1; done
    printf '%s\n' "${runs[@]}" | sort -n -k1,1 | sed -n 2p
}
# 1 GB (100 MB with --quick) over TLS through a local tinyproxy CONNECT tunnel, beside curl -x.
proxy_rows() {
    command -v tinyproxy >/dev/null || { echo "(tinyproxy not installed: no proxy row)"; return 0; }
    local pport file=1G label="1 GB" tp_pid
    [ $quick -eq 1 ] && file=100M label="100 MB"
    pport=$(freeport)
    printf 'Port %s\nListen 127.0.0.1\nTimeout 600\nMaxClients 20\nAllow 127.0.0.1\nDisableViaHeader Yes\nLogLevel Error\n' \
        "$pport" > "$work/tinyproxy.conf"
    tinyproxy -d -c "$work/tinyproxy.conf" >/dev/null 2>&1 &
    tp_pid=$!
    for _ in $(seq 50); do
        curl -s -k -o /dev/null -x "http://127.0.0.1:$pport" "https://localhost:$tlsport/s/1.txt" && break; sleep 0.1
    done
    printf '<request><host>localhost</host><port>%s</port><url>/%s.txt</url><httpver>HTTP/1.1</httpver><method>GET</method><header>Accept: */*&#13;\n</header><body><![CDATA[]]></body><secure>True</secure></request>' \
        "$tlsport" "$file" > "$work/phr/proxy.phr"
    echo "Load average: $(cut -d' ' -f1-3 /proc/loadavg) ($(nproc) cores)"
    echo "| what                         |  pelorin   |   curl     | time    | pelorin peak | curl peak  | memory  |"
    echo "|------------------------------|------------|------------|---------|--------------|------------|---------|"
    row "$label TLS via CONNECT tunnel" \
        "$(measure "$pelorin" --data-dir "$work/data" --send "$work/phr/proxy.phr" --proxy "http://127.0.0.1:$pport")" \
        "$(measure curl -s -k --http1.1 -o /dev/null -x "http://127.0.0.1:$pport" "https://localhost:$tlsport/$file.txt")"
    kill "$tp_pid"; wait "$tp_pid" 2>/dev/null || true
}
# Start-up: pelorin's probe beside a bare Qt window (bench/BareWindow.cpp), the floor any Qt
# program on this machine pays, taking turns; exact to the millisecond (bench/startup.py).
# The data folder is made by a first run, as on every start but the very first. Taken before
# the heavy rows, as a person starts the program: not in the wake of gigabytes just freed.
startup_row() { # label
    local r
    r=$(python3 bench/startup.py "$pelorin" "$bare" 11) || return 1
    read -r ours floor rss _ <<<"$r"
    echo "$1: median $ours ms and $rss MB resident; a bare Qt window $floor ms (runs ${r#*| })"
}
# Under a real X server (Xvfb) the window system's round trips count too; skipped when Xvfb
# is not installed. -noreset keeps the server as a desktop session's is: without it Xvfb
# starts afresh whenever its last client leaves (xkbcomp run, fonts read again, about 30 ms of
# its CPU), and each probe waited for that instead of starting.
startup_under_x() {
    command -v Xvfb >/dev/null || { echo "(Xvfb not installed: no start-up figures under X)"; return 0; }
    local display=:$((90 + RANDOM % 400)) xvfb_pid
    Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp -noreset >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
    DISPLAY=$display QT_QPA_PLATFORM=xcb startup_row "Start-up under Xvfb, 11 runs"
    kill "$xvfb_pid"; wait "$xvfb_pid" 2>/dev/null || true
    echo "(load average $(cut -d' ' -f1-3 /proc/loadavg))"
}
if [ $proxy_only -eq 0 ]; then
    startup_row "Start-up to the main window shown and idle, offscreen, 11 runs"
    startup_under_x
fi

if [ $proxy_only -eq 1 ]; then
    proxy_rows
    echo "Goal: through a local tinyproxy CONNECT tunnel, 1 GB over TLS within 1.5x curl -x's time."
    exit 0
fi

size="1 GB"; [ $quick -eq 1 ] && size="100 MB"

# One send through the window beside one curl run of the same URL, three times in turn; the
# row shows the median run of each (on a shared machine single runs vary by a third).
windowrow() { # label phr url [upload-file: a multipart upload of it, beside curl -F]
    local runs=() curls=() w c k stolen
    stolen=$(steal_ms)
    for k in 1 2 3; do
        w=$("$window" "$work/data" "$2" ${4:+"$4"} 2>"$work/err") || { cat "$work/err" >&2; return 1; }
        runs+=("$(head -n 1 <<<"$w")|$(sed -n 2p <<<"$w")")
        if [ -n "${4:-}" ]; then c=$(measure curl -s -o /dev/null -F "file=@$4" "$3")
        else c=$(measure curl -s -o /dev/null "$3"); fi
        curls+=("${c%% *}")
    done
    stolen=$(($(steal_ms) - stolen))
    w=$(printf '%s\n' "${runs[@]}" | sort -n -k1,1 | sed -n 2p)
    ct=$(printf '%s\n' "${curls[@]}" | sort -n | sed -n 2p)
    read -r wt wk gap bytes wcpu busy idle <<<"${w%%|*}"
    printf '| %-25s | %7.2f s | %6.2f s | %6s | %6d MB | %5.2fx | %5.2fx | %6.0f ms | %5.0f ms | %6.2f s |\n' \
        "$1" "$wt" "$ct" "$(ratio "$wt" "$ct")" $((wk / 1024)) "$(python3 -c "print($wk*1024/$bytes)")" \
        "$(python3 -c "print(($wk-$idle)*1024/$bytes)")" "$gap" "$busy" "$wcpu"
    afterwards+=("$1, then: ${w#*|}")
    runlines+=("$(runs_line "$1" "$stolen" "${curls[*]}" "${runs[@]}")")
}
afterwards=()
runlines=()

echo
settle
echo "Through the request window (SEND to idle), median of three runs; memory is peak resident over the body's size,"
echo "and the peak less what was resident before SEND (the window's own libraries and state) over it;"
echo "the busy gap is the CPU time the event loop's thread spent inside its longest gap:"
echo "| what                      |  window   |  curl    | time   | peak      | /body  | added  | largest gap | busy gap | CPU      |"
echo "|---------------------------|-----------|----------|--------|-----------|--------|--------|-------------|----------|----------|"
windowrow "100 MB through the window" "$work/phr/100M.phr" "http://127.0.0.1:$port/100M.txt"
if [ $quick -eq 0 ]; then
    windowrow "1 GB through the window" "$work/phr/1G.phr" "http://127.0.0.1:$port/1G.txt"
fi
windowrow "$size multipart upload" "$work/phr/upform.phr" "http://localhost:$port/up" "$upfile"
printf '%s\n' "${afterwards[@]}"
show_runs "${runlines[@]}"

# The real program under a real X server (Xvfb): from a click on SEND until the process is
# idle with the whole response shown, beside curl, three runs of each in turn; the row shows
# the median of each. Skipped when Xvfb or xdotool is missing.
real_window_rows() {
    command -v Xvfb >/dev/null && command -v xdotool >/dev/null \
        || { echo "(Xvfb or xdotool not installed: no figures for the real program)"; return 0; }
    local display=:$((90 + RANDOM % 400)) xvfb_pid
    Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp -noreset >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
    echo "The real program under Xvfb (click on SEND to idle), median of three runs each:"
    echo "| what                      |  pelorin  |  curl    | time   | peak      | /body  | added  | CPU      |"
    echo "|---------------------------|-----------|----------|--------|-----------|--------|--------|----------|"
    local name label bytes runs curls k w c stolen runlines=()
    for name in 100M 1G; do
        [ $name = 1G ] && [ $quick -eq 1 ] && continue
        label="${name%?} ${name: -1}B"
        bytes=$(stat -c %s "$work/www/$name.txt")
        runs=(); curls=()
        stolen=$(steal_ms)
        for k in 1 2 3; do
            rm -rf "$work/xdata"
            w=$(DISPLAY=$display python3 bench/real_window_send.py "$pelorin" "$work/xdata" \
                "$work/phr/$name.phr") \
                || { kill "$xvfb_pid"; return 1; }
            runs+=("$w")
            c=$(measure curl -s -o /dev/null "http://127.0.0.1:$port/$name.txt")
            curls+=("${c%% *}")
        done
        w=$(printf '%s\n' "${runs[@]}" | sort -n -k1,1 | sed -n 2p)
        c=$(printf '%s\n' "${curls[@]}" | sort -n | sed -n 2p)
        read -r wt wk wcpu idle <<<"$w"
        runlines+=("$(runs_line "$label" "$(($(steal_ms) - stolen))" "${curls[*]}" "${runs[@]}")")
        printf '| %-25s | %7.2f s | %6.2f s | %6s | %6d MB | %5.2fx | %5.2fx | %6.2f s |\n' \
            "$label through the window" "$wt" "$c" "$(ratio "$wt" "$c")" $((wk / 1024)) \
            "$(python3 -c "print($wk*1024/$bytes)")" "$(python3 -c "print(($wk-$idle)*1024/$bytes)")" "$wcpu"
    done
    show_runs "${runlines[@]}"
    echo "(load average $(cut -d' ' -f1-3 /proc/loadavg))"
    kill "$xvfb_pid"; wait "$xvfb_pid" 2>/dev/null || true
}
echo
settle
real_window_rows

# The scripted rows come after the window's. Taken before them (their uploads have nginx write
# gigabytes of request bodies to disk), the window's 1 GB row took twice its usual CPU time in
# three of four full runs, and the memory-bound find count after it a third more. They wait for
# rest too: the window's multipart upload leaves nginx's copy of it to be written back, and
# each run of 200 small requests ends by waiting for its saved user data to reach the disk.
if [ $window_only -eq 0 ]; then
    echo
    settle
    echo "Load average at the start: $(cut -d' ' -f1-3 /proc/loadavg) ($(nproc) cores)"
    echo "| what                         |  pelorin   |   curl     | time    | pelorin peak | curl peak  | memory  |"
    echo "|------------------------------|------------|------------|---------|--------------|------------|---------|"
    row "100 MB body" "$(measure "$pelorin" --data-dir "$work/data" --send "$work/phr/100M.phr")" \
        "$(measure curl -s -o /dev/null "http://127.0.0.1:$port/100M.txt")"
    if [ $quick -eq 0 ]; then
        row "1 GB body" "$(measure "$pelorin" --data-dir "$work/data" --send "$work/phr/1G.phr")" \
            "$(measure curl -s -o /dev/null "http://127.0.0.1:$port/1G.txt")"
    fi
    # One run is below the clock's 10 ms steps, so twenty in a row are timed.
    row "1 small request, 20 runs" \
        "$(median3 bash -c 'for _ in $(seq 20); do "$0" --data-dir "$1" --send "$2"; done' "$pelorin" "$work/data" "$work/phr/s1.phr")" \
        "$(median3 bash -c 'for _ in $(seq 20); do curl -s -o /dev/null "$0"; done' "http://127.0.0.1:$port/s/1.txt")"
    small=(); curlargs=()
    for i in $(seq 1 200); do small+=("$work/phr/s$i.phr"); curlargs+=(-o /dev/null "http://127.0.0.1:$port/s/$i.txt"); done
    # curl is told to close each connection, as Pelorin does: both open a connection per request.
    row "200 small requests" "$(median3 "$pelorin" --data-dir "$work/data" --send "${small[@]}")" \
        "$(median3 curl -s -H 'Connection: close' "${curlargs[@]}")"

    # Uploads: each row the median (by time) of three runs of each. curl's --data-binary @file
    # reads the whole file into memory and refuses 1 GB here, so for files curl streams with -T.
    echo
    echo "Uploads to a location that discards the body, median of three runs each:"
    echo "| what                         |  pelorin   |   curl     | time    | pelorin peak | curl peak  | memory  |"
    echo "|------------------------------|------------|------------|---------|--------------|------------|---------|"
    row "$size body from file" "$(median3 "$pelorin" --data-dir "$work/data" --send "$work/phr/upfile.phr")" \
        "$(median3 curl -s -o /dev/null -X POST -T "$upfile" -H 'Content-Type: application/octet-stream' "http://localhost:$port/up")"
    row "$size body from file, TLS" "$(median3 "$pelorin" --data-dir "$work/data" --send "$work/phr/upfile-tls.phr")" \
        "$(median3 curl -s -k -o /dev/null --http1.1 -X POST -T "$upfile" -H 'Content-Type: application/octet-stream' "https://localhost:$tlsport/up")"
    row "100 MB inline text body" "$(median3 "$pelorin" --data-dir "$work/data" --send "$work/phr/upinline.phr")" \
        "$(median3 curl -s -o /dev/null --data-binary "@$work/www/100M.txt" -H 'Content-Type: text/plain' "http://localhost:$port/up")"
    tocurl=$(median3 "$pelorin" --data-dir "$work/data" --to-curl "$work/phr/upinline.phr")
    printf '| %-28s | %8.3f s |            |         | %8d MB |            |         |\n' "--to-curl, 100 MB inline" \
        "${tocurl%% *}" $(( ${tocurl##* } / 1024 ))
fi
if [ $window_only -eq 0 ]; then
    echo
    proxy_rows
fi

echo
echo "Goals: one small --send within 2x curl's time, 200 small requests within 1.5x, a scripted run under 25 MB;"
echo "100 MB within 2x curl's time and under 3x the body (300 MB) in peak memory; 1 GB completes;"
echo "start-up under Xvfb within 60 ms and under 80 MB resident; through the window, 1 GB and 100 MB within 2x"
echo "curl's time, peak memory within 1.3x the body, no stall of the event loop above 50 ms."
echo "Uploads: 1 GB body from file within 1.2x curl's time and under 50 MB; TLS within 1.5x; 100 MB inline"
echo "within 1.5x and under 2.5x the body; the window's 1 GB multipart upload within 1.5x and under"
echo "100 MB; --to-curl of the 100 MB inline body under 1 s. Through a local tinyproxy CONNECT tunnel,"
echo "1 GB over TLS within 1.5x curl -x's time."

#!/usr/bin/env bash
# Benchmark of the collection engine against the common Linux tools, on one generated
# collection (200 MB of logs in 5,000 files of mixed sizes), in one run:
#   (a) CreateArchive   vs  zip -r -6 of the same tree
#   (b) UploadArchive   vs  curl -T to the same loopback FTP server, of a 300 MB file made of
#                           copies of the archive: on loopback a 60 MB upload takes a tenth
#                           of a second and measures the fixed costs of the session (login,
#                           folder change, data connection), not the transfer
#   (c) GatherPackages  vs  cp -r
# Each side is measured two or three times and the best time counts. The engine's times are taken
# inside the Windows process (Wine start-up excluded). Not a test: it prints the ratios.
#   scripts/bench-engine.sh            (BUILD_DIR as for the other scripts)
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
. "$repo/scripts/wine-env.sh"

command -v zip >/dev/null && command -v curl >/dev/null || {
    echo "bench: installing zip and curl"
    apt-get install -y -qq --no-install-recommends zip curl >/dev/null
}
BUILD_TARGETS=trovel_bench "$repo/scripts/build.sh" >/dev/null
bench_exe=$(find "$BUILD_DIR" -name trovel_bench.exe -print -quit)

work=$BUILD_DIR/bench-engine
address=127.0.0.29
rm -rf "$work"
mkdir -p "$work"
server_pid=""
cleanup() {
    [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
    "$repo/scripts/wine-session.sh" stop
    rm -rf "$work"
}
trap cleanup EXIT
"$repo/scripts/wine-session.sh" start >/dev/null
. "$repo/scripts/wine-env.sh"

echo "bench: generating the collection"
/usr/bin/python3 - "$work/tree" <<'EOF'
import os, random, sys
root = sys.argv[1]
random.seed(7)
words = ["INFO", "WARN", "ERROR", "plate", "exposure", "drum", "laser", "queue", "job", "retry",
         "calibration", "temperature", "punch", "loader", "cassette", "focus", "spool", "done"]
lines = []
for i in range(40000):
    lines.append("2020-06-%02d %02d:%02d:%02d.%03d [%s] %s %s id=%d value=%.3f\n" % (
        random.randint(1, 30), random.randint(0, 23), random.randint(0, 59), random.randint(0, 59),
        random.randint(0, 999), random.choice(words[:3]), random.choice(words[3:]), random.choice(words[3:]),
        random.randint(0, 10**6), random.random() * 1000))
pool = "".join(lines).encode()
total, files = 200 * 1024 * 1024, 5000
# Mixed sizes: many small logs, some medium, a few large, scaled to the total.
sizes = [random.choice([random.randint(1, 16), random.randint(16, 128), random.randint(128, 1024)])
         if i % 50 else random.randint(1024, 8192) for i in range(files)]
scale = total / (sum(sizes) * 1024)
for i, size in enumerate(sizes):
    folder = os.path.join(root, "Device%02d" % (i % 25), "Logs%02d" % (i % 8))
    os.makedirs(folder, exist_ok=True)
    length = max(1, int(size * 1024 * scale))
    start = random.randrange(len(pool))
    data = (pool[start:] + pool) * (length // len(pool) + 2)
    with open(os.path.join(folder, "log%05d.txt" % i), "wb") as f:
        f.write(data[:length])
EOF
du -sb "$work/tree" | awk '{printf "bench: %.0f MB in ", $1/1048576}'
find "$work/tree" -type f | wc -l | awk '{print $1 " files"}'

win() { printf 'Z:%s' "$1" | tr / '\\'; }
seconds() { date +%s.%N; }
best() { python3 -c "import sys; print(min(float(x) for x in sys.argv[1:]))" "$@"; }
engine() {  # engine <stage> <args...>: the stage's in-process seconds
    # Run in the work folder: the library appends its log to .\TrovelLog.txt.
    (cd "$work" && "$WINE" "$bench_exe" "$@") | awk '{print $2}' | tr -d '\r'
}
linux() {  # linux <command...>: wall seconds of a Linux command
    local t0 t1
    t0=$(seconds); "$@" >/dev/null 2>&1; t1=$(seconds)
    python3 -c "print($t1 - $t0)"
}

# (c) gathering
gather_engine=(); gather_cp=()
for run in 1 2; do
    rm -rf "$work/g$run" "$work/cp$run"; mkdir -p "$work/g$run"
    gather_cp+=("$(linux cp -r "$work/tree" "$work/cp$run")")
    gather_engine+=("$(engine gather "$(win "$work/g$run")" "$(win "$work/tree")")")
    rm -rf "$work/g$run" "$work/cp$run"
done

# (a) archive
zip_engine=(); zip_info=()
for run in 1 2; do
    rm -f "$work/tree.zip" "$work/info.zip"
    zip_info+=("$(cd "$work" && linux zip -r -6 -q info.zip tree)")
    zip_engine+=("$(engine archive "$(win "$work")" "$(win "$work/tree")")")
done
archive_bytes=$(stat -c %s "$work/tree.zip")
echo "bench: archive $((archive_bytes / 1048576)) MB (zip: $(($(stat -c %s "$work/info.zip") / 1048576)) MB)"

# (b) upload, to the same loopback server
for _ in 1 2 3 4 5; do cat "$work/tree.zip"; done > "$work/upload.zip"
upload_bytes=$(stat -c %s "$work/upload.zip")
/usr/bin/python3 "$repo/tests/support/ftp_server.py" --address "$address" --root "$work/ftp" \
    --folders incoming --pid-file "$work/ftp.pid" --lifetime 900
server_pid=$(cat "$work/ftp.pid")
upload_engine=(); upload_curl=()
for run in 1 2 3; do
    upload_curl+=("$(linux curl -sS -T "$work/upload.zip" "ftp://$address/incoming/curl$run.zip")")
    upload_engine+=("$(engine upload "$(win "$work")" "$(win "$work/upload.zip")" "$address\\incoming")")
    cmp -s "$work/upload.zip" "$work/ftp/incoming/BENCH_2099_12_31_23_59.zip" || { echo "bench: upload differs"; exit 1; }
    rm -f "$work/ftp/incoming/"*
done

python3 - "$(best "${zip_engine[@]}")" "$(best "${zip_info[@]}")" "$(best "${upload_engine[@]}")" \
    "$(best "${upload_curl[@]}")" "$(best "${gather_engine[@]}")" "$(best "${gather_cp[@]}")" "$upload_bytes" <<'EOF'
import sys
ze, zi, ue, uc, ge, gc, size = map(float, sys.argv[1:])
mb = size / 1048576
print("(a) archive  CreateArchive %6.2f s   zip -r -6  %6.2f s   ratio %.2fx  (target <= 1.10x)" % (ze, zi, ze / zi))
print("(b) upload   UploadArchive %6.1f MB/s curl -T   %6.1f MB/s ratio %.2fx  (target >= 0.90x, %.0f MB)"
      % (mb / ue, mb / uc, uc / ue, mb))
print("(c) gather   GatherPackages %5.2f s   cp -r      %6.2f s   ratio %.2fx  (target <= 1.50x)" % (ge, gc, ge / gc))
EOF

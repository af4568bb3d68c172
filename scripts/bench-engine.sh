#!/usr/bin/env bash
# Benchmark of the collection engine against what a technician would do by hand, on one
# generated collection (about 200 MB in 5,000 files of mixed sizes, one in twenty of them
# incompressible), measured side by side in one run:
#   (a) CreateArchive   vs  zip -r -6 and 7zz a -tzip -mx5 -mmt2 of the same tree (time, size)
#   (b) GatherPackages  vs  xcopy /s /i under the same Wine, and cp -r
#   (c) UploadArchive   vs  curl -T to the same loopback FTP server, of a 300 MB file
#   (d) a whole silent "trovel run" on a package naming the tree, from the command to its
#       exit, vs 3 s (the run's fixed pauses) + cp -r + zip -r -6 -P + curl -T; and the
#       peak working set of the run (largest resident size of its process)
# Each side of (a) to (c) is measured twice or three times and the best time counts. The
# engine's stage times are taken inside the Windows process; xcopy's are its wall time less
# the start of an empty Wine process. Not a test: it prints the ratios.
#   scripts/bench-engine.sh   (BUILD_DIR as elsewhere; the FTP server listens on 127.0.0.29)
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
. "$repo/scripts/wine-env.sh"

for tool in zip curl 7zz; do
    command -v "$tool" >/dev/null || { echo "bench: $tool missing: run scripts/deps.sh"; exit 1; }
done
BUILD_TARGETS="trovel_bench TrovelLib trovel" "$repo/scripts/build.sh" >/dev/null
bench_exe=$(find "$BUILD_DIR" -name trovel_bench.exe -print -quit)
trovel_exe=$BUILD_DIR/bin/trovel.exe

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
noise = random.randbytes(16 * 1024 * 1024)
total, files = 200 * 1024 * 1024, 5000
# Mixed sizes: many small logs, some medium, a few large, scaled to the total; every
# twentieth file is incompressible (images, dumps).
sizes = [random.choice([random.randint(1, 16), random.randint(16, 128), random.randint(128, 1024)])
         if i % 50 else random.randint(1024, 8192) for i in range(files)]
scale = total / (sum(sizes) * 1024)
for i, size in enumerate(sizes):
    folder = os.path.join(root, "Device%02d" % (i % 25), "Logs%02d" % (i % 8))
    os.makedirs(folder, exist_ok=True)
    length = max(1, int(size * 1024 * scale))
    if i % 20 == 7:
        start = random.randrange(len(noise) - length) if length < len(noise) else 0
        data, name = noise[start:start + length], "dump%05d.bin" % i
    else:
        start = random.randrange(len(pool))
        data, name = (pool[start:] + pool) * (length // len(pool) + 2), "log%05d.txt" % i
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data[:length])
EOF
tree_bytes=$(du -sb "$work/tree" | awk '{print $1}')
tree_files=$(find "$work/tree" -type f | wc -l)
echo "bench: $((tree_bytes / 1048576)) MB in $tree_files files"

win() { printf 'Z:%s' "$1" | tr / '\\'; }
seconds() { date +%s.%N; }
best() { python3 -c "import sys; print(min(float(x) for x in sys.argv[1:]))" "$@"; }
engine() {  # engine <stage> <args...>: "<in-process seconds> <peak MB>" of the stage
    # Run in the work folder: the library appends its log to .\TrovelLog.txt.
    (cd "$work" && "$WINE" "$bench_exe" "$@") | awk '{print $2, $3}' | tr -d '\r'
}
linux() {  # linux <command...>: wall seconds of a Linux command
    local t0 t1
    t0=$(seconds); "$@" >/dev/null 2>&1; t1=$(seconds)
    python3 -c "print($t1 - $t0)"
}

# (b) gathering
gather_engine=(); gather_cp=(); gather_xcopy=()
wine_start=()
for run in 1 2; do
    rm -rf "$work/g$run" "$work/cp$run" "$work/x$run"; mkdir -p "$work/g$run"
    gather_cp+=("$(linux cp -r "$work/tree" "$work/cp$run")")
    wine_start+=("$(linux "$WINE" cmd /c rem)")
    gather_xcopy+=("$(linux "$WINE" xcopy /s /i /q "$(win "$work/tree")" "$(win "$work/x$run")")")
    read -r seconds_ _ <<<"$(engine gather "$(win "$work/g$run")" "$(win "$work/tree")")"
    gather_engine+=("$seconds_")
    [ "$(find "$work/x$run" -type f | wc -l)" -eq "$tree_files" ] || { echo "bench: xcopy copied too little"; exit 1; }
    rm -rf "$work/g$run" "$work/cp$run" "$work/x$run"
done
xcopy_net=$(python3 -c "print(max(0.001, $(best "${gather_xcopy[@]}") - $(best "${wine_start[@]}")))")
echo "bench: gather ${gather_engine[*]} s, xcopy ${gather_xcopy[*]} s (Wine start ${wine_start[*]} s), cp -r ${gather_cp[*]} s"

# (a) archive
zip_engine=(); zip_info=(); zip_7z=(); archive_peak=0
for run in 1 2; do
    rm -f "$work/tree.zip" "$work/info.zip" "$work/7z.zip"
    zip_info+=("$(cd "$work" && linux zip -r -6 -q info.zip tree)")
    zip_7z+=("$(cd "$work" && linux 7zz a -tzip -mx5 -mmt2 7z.zip tree)")
    read -r seconds_ peak_ <<<"$(engine archive "$(win "$work")" "$(win "$work/tree")")"
    zip_engine+=("$seconds_"); archive_peak=$peak_
done
archive_bytes=$(stat -c %s "$work/tree.zip")
info_bytes=$(stat -c %s "$work/info.zip")
sevenz_bytes=$(stat -c %s "$work/7z.zip")
unzip -tq "$work/tree.zip" >/dev/null || { echo "bench: the archive does not test clean"; exit 1; }
echo "bench: archive ${zip_engine[*]} s $archive_bytes bytes, zip ${zip_info[*]} s $info_bytes bytes, 7zz ${zip_7z[*]} s $sevenz_bytes bytes"

# (c) upload, to the same loopback server
: > "$work/upload.zip"
while [ "$(stat -c %s "$work/upload.zip")" -lt $((300 * 1048576)) ]; do cat "$work/tree.zip" >> "$work/upload.zip"; done
truncate -s $((300 * 1048576)) "$work/upload.zip"
upload_bytes=$(stat -c %s "$work/upload.zip")
/usr/bin/python3 "$repo/tests/support/ftp_server.py" --address "$address" --root "$work/ftp" \
    --folders incoming --pid-file "$work/ftp.pid" --lifetime 1800
server_pid=$(cat "$work/ftp.pid")
upload_engine=(); upload_curl=()
for run in 1 2 3; do
    upload_curl+=("$(linux curl -sS -T "$work/upload.zip" "ftp://$address/incoming/curl$run.zip")")
    read -r seconds_ _ <<<"$(engine upload "$(win "$work")" "$(win "$work/upload.zip")" "$address\\incoming")"
    upload_engine+=("$seconds_")
    cmp -s "$work/upload.zip" "$work/ftp/incoming/BENCH_2099_12_31_23_59.zip" || { echo "bench: upload differs"; exit 1; }
    rm -f "$work/ftp/incoming/"*
done
rm -f "$work/upload.zip"
echo "bench: upload ${upload_engine[*]} s, curl ${upload_curl[*]} s ($upload_bytes bytes)"

# (d) a whole silent run on a workstation whose package names the tree, and the same by hand
station=$work/station
mkdir -p "$station/Current"
printf '\r\n\r\n [DIRECTORY]  \r\n\r\n Path Directory= .\\ \r\n' > "$station/Directory.ini"
cat > "$station/Current/Current_Trovel.ini" <<EOF
[Device Version]
version=1

[CONFIGURATION]
Local Directory=$(win "$station/Collection")\\
FTP Path=$address\\incoming
Perform FTP=1
Password Enable=1
Password Value=bench
Computer Name=NULL
Registry Field=NULL
User Defined=BENCH-WS
Systeminfo=NULL
Region=EMEA
DEVICE Name=Bench Platesetter
Device ID=1

[SELECT PACKAGE]
0)Name=Logs
EOF
cp "$station/Current/Current_Trovel.ini" "$station/Current/Trovel.ini"
cat > "$station/Current/Current_Package_Logs.ini" <<EOF
[Package Version]
version=1

[FILES]
0)Filenum=0
0)Recursive=1
0)Directory=$(win "$work/tree")\\
0)FileFormat=*.*
EOF
cp "$station/Current/Current_Package_Logs.ini" "$station/Current/package_Logs.ini"
rm -f "$work/ftp/incoming/"*
run_start=$(seconds)
run_status=0
(cd "$station" && /usr/bin/time -f '%M' -o "$work/run.rss" "$WINE" "$trovel_exe" run -p "Bench Platesetter" \
    -c "Bench Shop" -s "Benchmark" -d "whole run" >"$work/run.out" 2>&1) || run_status=$?
run_end=$(seconds)
run_wall=$(python3 -c "print($run_end - $run_start)")
run_rss=$(tail -1 "$work/run.rss")
uploaded=$(ls "$work/ftp/incoming/"*.zip 2>/dev/null | head -1 || true)
if [ "$run_status" -ne 0 ] || [ -z "$uploaded" ]; then
    echo "bench: trovel run failed (exit $run_status)"; tail -5 "$work/run.out"; exit 1
fi
run_archive_bytes=$(stat -c %s "$uploaded")
rm -rf "$work/hand" "$work/hand.zip"
t0=$(seconds)
cp -r "$work/tree" "$work/hand"
(cd "$work" && zip -r -6 -q -P bench hand.zip hand)
curl -sS -T "$work/hand.zip" "ftp://$address/incoming/hand.zip"
t1=$(seconds)
hand_wall=$(python3 -c "print(3 + $t1 - $t0)")
echo "bench: run $run_wall s (peak $run_rss kB), by hand $hand_wall s"

python3 - "$(best "${zip_engine[@]}")" "$(best "${zip_info[@]}")" "$(best "${zip_7z[@]}")" \
    "$archive_bytes" "$info_bytes" "$sevenz_bytes" "$archive_peak" \
    "$(best "${gather_engine[@]}")" "$xcopy_net" "$(best "${gather_cp[@]}")" \
    "$(best "${upload_engine[@]}")" "$(best "${upload_curl[@]}")" "$upload_bytes" \
    "$run_wall" "$hand_wall" "$run_rss" "$run_archive_bytes" "$(best "${wine_start[@]}")" <<'EOF'
import sys
(ze, zi, z7, ab, ib, sb, apeak, ge, gx, gc, ue, uc, usize, rw, hw, rss, rab, ws) = map(float, sys.argv[1:])
MB = 1048576
print("(a) archive  CreateArchive %6.2f s %6.1f MB | zip -r -6 %6.2f s %6.1f MB | 7zz -mx5 -mmt2 %6.2f s %6.1f MB"
      % (ze, ab / MB, zi, ib / MB, z7, sb / MB))
print("             time %.2fx zip (target <= 0.35x), %.2fx 7zz; size %.3fx zip, %.3fx 7zz; peak working set %.0f MB"
      % (ze / zi, ze / z7, ab / ib, ab / sb, apeak))
print("(b) gather   GatherPackages %5.2f s | xcopy /s /i %6.2f s (less %.2f s Wine start) | cp -r %5.2f s"
      % (ge, gx, ws, gc))
print("             %.2fx xcopy (target <= 1.0x), %.2fx cp -r" % (ge / gx, ge / gc))
print("(c) upload   UploadArchive %6.1f MB/s | curl -T %6.1f MB/s | %.0f MB: %.2fx curl's speed (target >= 0.95x)"
      % (usize / MB / ue, usize / MB / uc, usize / MB, uc / ue))
print("(d) run      trovel run %6.2f s | by hand (3 s + cp -r + zip -r -6 -P + curl -T) %6.2f s: %.2fx (target <= 0.8x)"
      % (rw, hw, rw / hw))
print("             peak working set of the run %.0f MB; its archive %.1f MB" % (rss / 1024, rab / MB))
EOF

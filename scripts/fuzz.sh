#!/usr/bin/env bash
# Builds the fuzz target of the configuration reader (fuzz/) with clang and runs it.
#
#   scripts/fuzz.sh [SECONDS]      fuzz for SECONDS (default 60)
#
# First the large generated file is read whole, once; then libFuzzer mutates the seeds of
# fuzz/corpus, keeping what it finds in the build folder's corpus for the next run.
# A finding is written to the build folder's artifacts/ and fails the script.
# KOVANTEL_FUZZ_BUILD chooses the build folder (default build-fuzz in the repository).
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
build=${KOVANTEL_FUZZ_BUILD:-$repo/build-fuzz}

cmake -S "$repo/fuzz" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j 2

generated=$build/generated
mkdir -p "$generated" "$build/corpus" "$build/artifacts"
large=$generated/large.ini
if [[ ! -s "$large" ]]; then
  # Several megabytes of a believable file: many stations and branch offices, repeated
  # sections, umlauts in Windows-1252, CR LF, NUL bytes and one value of a megabyte.
  perl -e '
    binmode STDOUT;
    print "[Allgemein]\r\nDatenbank=Riesig\r\nFirma=Gastst\xe4tte\r\n";
    for my $i (1 .. 30000) {
      print "[Kasse $i]\r\nStation=Theke $i\r\nGer\xe4t=Bondrucker K\xfcche $i\r\n";
      print "; Kommentar $i\r\nohne Gleichheitszeichen\r\n" if $i % 7 == 0;
      print "Name=Null\0Byte\r\n" if $i % 1000 == 0;
      print "[kasse ", $i - 1, "]\r\nStation=unerreichbar\r\n" if $i % 100 == 0;
    }
    print "[Filialen]\r\n";
    for my $i (1 .. 20000) {
      print "Filiale $i=C:\\Kovantel\\Daten $i;server-$i/5050;C:\\Kovantel\\Daten $i\\kovantel.fdb;\r\n";
    }
    print "Riesig=C:\\", "x" x (1024 * 1024), ";srv/3050;db.fdb;\r\n";
  ' > "$large.tmp"
  mv "$large.tmp" "$large"
fi

fuzzer=$build/fuzz_profile
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
# A small quarantine keeps the freed memory warm: three times the inputs per second, and
# a use after free within one input is still far inside 16 MB.
export ASAN_OPTIONS=${ASAN_OPTIONS:-quarantine_size_mb=16}
echo "== the large file ($(stat -c %s "$large") bytes) read whole"
"$fuzzer" -timeout=60 -rss_limit_mb=4096 "$large"

echo "== fuzzing for $seconds s"
# Twice the 2047 characters of a value is room enough; short inputs run faster.
"$fuzzer" -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=4096 -print_final_stats=1 \
  -artifact_prefix="$build/artifacts/" "$build/corpus" "$repo/fuzz/corpus" "$generated"

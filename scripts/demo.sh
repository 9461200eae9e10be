#!/usr/bin/env bash
# Prepares a demo installation and runs the tool against it:
#   demo-install/KOVANTEL/          program folder: the executable and Kovantel.ini
#   demo-install/KOVANTEL/Daten/    the demo database (a restaurant with a few hundred articles)
#   demo-install/server/            a private Firebird server on loopback
# The server listens on the default port 5050 when it is free (so the default entry
# works), otherwise on another free port that is written into the entry. It is stopped
# when the tool ends.
#
#   scripts/demo.sh                 run the tool
#   scripts/demo.sh --date-warning  the server's date is 2023-12-31, to show the date warning
#   scripts/demo.sh --fresh         throw away the demo database and make it anew
#   scripts/demo.sh --articles N    a chain's database: the demo plus N articles in 200 more
#                                   product groups (its own file, made once per N)
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
source "$repo/scripts/lib/fbserver.sh"

date_warning=""
fresh=0
articles=0
while (($#)); do
  case "$1" in
  --date-warning) date_warning=2023-12-31 ;;
  --fresh) fresh=1 ;;
  --articles)
    articles=${2:-}
    [[ "$articles" =~ ^[0-9]+$ ]] || { echo "--articles needs a number" >&2; exit 2; }
    shift ;;
  *) echo "unknown option $1" >&2; exit 2 ;;
  esac
  shift
done

bash "$repo/scripts/install-deps.sh"
build=$repo/build-demo
mkdir -p "$build"
cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DKOVANTEL_BUILD_TESTS=OFF -DKOVANTEL_BUILD_BENCH=OFF > "$build/configure.log" 2>&1 ||
  { cat "$build/configure.log"; exit 1; }
cmake --build "$build" --target kovantel-mwst

inst=$repo/demo-install
prog=$inst/KOVANTEL
root=$inst/server
mkdir -p "$prog/Daten"
cp -f "$build/src/kovantel-mwst" "$prog/kovantel-mwst"

fb_stop "$root"
fb_make_root "$root"
if fb_port_free 5050; then port=5050; else port=$(fb_free_port 25050); fi
fb_start "$root" "$port" "$date_warning"
trap 'fb_stop "$root"' EXIT

db=$prog/Daten/kovantel.fdb
if ((articles)); then db=$prog/Daten/kovantel-$articles.fdb; fi
if ((fresh)); then rm -f "$db"; fi
if [[ ! -f "$db" ]]; then
  {
    echo "set names utf8;"
    echo "create database '127.0.0.1/$port:$db' user 'SYSDBA' password '$FB_PASSWORD' default character set win1252;"
    cat "$repo/tests/sql/host-schema.sql" "$repo/tests/sql/protocol-v8.sql" "$repo/demo/demo-data.sql"
    if ((articles)); then
      cat <<SQL
set term ^ ;
execute block as
  declare i integer = 0;
begin
  while (i < 200) do begin
    insert into warengruppe (id, bezeichnung) values (1000 + :i, 'Filiale Gruppe ' || lpad(:i, 3, '0'));
    i = i + 1;
  end
  i = 0;
  while (i < $articles) do begin
    insert into artikel (artikelid, bezeichnung, warengruppe, mwstsatzih, mwstsatzah, preis)
      values (100000 + :i, 'Filialartikel ' || lpad(:i, 6, '0'), 1000 + mod(:i, 200), mod(:i, 3), 1, 9.9);
    i = i + 1;
  end
end^
set term ; ^
commit;
SQL
    fi
  } > "$inst/create.sql"
  isql-fb -q -i "$inst/create.sql"
  echo "Demo database created: $db"
fi

if [[ $port == 5050 ]]; then server=localhost/5050; else server=127.0.0.1/$port; fi
printf '[Allgemein]\r\nDatenbank=Demo\r\n\r\n[Filialen]\r\nDemo=%s;%s;%s\r\n' \
  "$prog/Daten" "$server" "$db" > "$prog/Kovantel.ini"
echo "Kovantel.ini: entry Demo=$prog/Daten;$server;$db"
[[ -n "$date_warning" ]] && echo "The server's date is $date_warning: the tool shows its date warning."

# Numbers follow the user's locale; a newcomer without one sees the German decimal comma.
export LANG=${LANG:-de_DE.UTF-8}

if [[ -z "${DISPLAY:-}" ]]; then
  echo "No display found: running the tool under Xvfb (a virtual screen you cannot see)."
  xvfb-run -a -s "-screen 0 1280x1024x24" "$prog/kovantel-mwst"
else
  "$prog/kovantel-mwst"
fi

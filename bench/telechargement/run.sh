#!/usr/bin/env bash
# Download of a 1 GiB update from the service simulator: the server's request code against
# curl, same file, same simulator, same run. Targets: ratio >= 0.8, memory growth < 16 MiB.
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
taille=$((1024 * 1024 * 1024))
tmp=$(mktemp -d)
simulateur=
nettoyer() {
    if [ -n "$simulateur" ]; then kill "$simulateur" 2>/dev/null || true; wait "$simulateur" 2>/dev/null || true; fi
    rm -rf "$tmp"
}
trap nettoyer EXIT
mkdir -p "$tmp/service/majs" "$tmp/maj"
# A real 1 GiB file (not sparse), written once.
head -c "$taille" /dev/urandom > "$tmp/service/majs/MAJ9999.zip"

"$build/quentaris-simulateur" --dossier "$tmp/service" > "$tmp/port" 2> "$tmp/simulateur.log" &
simulateur=$!
port=
for _ in $(seq 1 100); do
    port=$(sed -n 's/^PORT=//p' "$tmp/port")
    [ -n "$port" ] && break
    sleep 0.1
done
[ -n "$port" ] || { echo "simulateur injoignable" >&2; exit 1; }
adresse="http://127.0.0.1:$port/suivimaj/admin/majs/MAJ9999.zip"

cat "$tmp/service/majs/MAJ9999.zip" > /dev/null # same page cache for both
# Each download starts with the disk's pending writes flushed, so that neither pays for the other.
sync
# The server's download is on disk (fsync) before it takes its name; curl's file is synced
# too, inside the timed span, so both pay for the same durability.
debut=$(date +%s.%N)
curl -s -o "$tmp/maj/curl.bin" "$adresse"
sync "$tmp/maj/curl.bin"
fin=$(date +%s.%N)
[ "$(stat -c %s "$tmp/maj/curl.bin")" = "$taille" ] || { echo "curl : taille incorrecte" >&2; exit 1; }
curl_bps=$(awk -v t="$taille" -v d="$debut" -v f="$fin" 'BEGIN { printf "%.0f", t / (f - d) }')
rm -f "$tmp/maj/curl.bin"
sync
ligne=$("$build/bench/telechargement/bench_telechargement" "$adresse" "$tmp/maj/MAJ9999.zip" "$taille")
cmp -s "$tmp/maj/MAJ9999.zip" "$tmp/service/majs/MAJ9999.zip" || { echo "fichier téléchargé différent" >&2; exit 1; }

serveur=$(sed -n 's/.*mo_par_s=\([0-9.]*\).*/\1/p' <<< "$ligne")
memoire=$(sed -n 's/.*croissance_memoire_kio=\([0-9-]*\).*/\1/p' <<< "$ligne")
awk -v s="$serveur" -v c="$curl_bps" -v m="$memoire" 'BEGIN {
    c = c / 1e6
    printf "téléchargement 1 Gio : serveur %.1f Mo/s, curl %.1f Mo/s, rapport %.2f (objectif >= 0.8)\n", s, c, s / c
    printf "croissance de la mémoire de pointe : %.1f Mio (objectif < 16 Mio)\n", m / 1024
}'

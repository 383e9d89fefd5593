#!/usr/bin/env bash
# Download of a 1 GiB update from the service simulator: the server's request code against
# curl, same file, same simulator, same run (targets: ratio >= 0.8, memory growth < 16 MiB);
# then the same download from a simulator that cuts the connection every 100 MiB, which the
# server resumes with ranges, against the uncut download of the same run (aim: at most 1.3x
# the time).
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
taille=$((1024 * 1024 * 1024))
coupure=$((100 * 1024 * 1024))
tmp=$(mktemp -d)
simulateurs=()
nettoyer() {
    for pid in "${simulateurs[@]}"; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$tmp"
}
trap nettoyer EXIT
mkdir -p "$tmp/service/majs" "$tmp/maj"
# A real 1 GiB file (not sparse), written once.
head -c "$taille" /dev/urandom > "$tmp/service/majs/MAJ9999.zip"

# Starts a simulator on the service folder with the given switches; its port goes to $port.
# (Not run in a subshell: the simulator's process id must reach the cleanup.)
demarrer() {
    local sortie="$tmp/port.${#simulateurs[@]}"
    port=""
    "$build/quentaris-simulateur" --dossier "$tmp/service" "$@" > "$sortie" 2>> "$tmp/simulateur.log" &
    simulateurs+=($!)
    for _ in $(seq 1 100); do
        port=$(sed -n 's/^PORT=//p' "$sortie")
        [ -n "$port" ] && break
        sleep 0.1
    done
    [ -n "$port" ] || { echo "simulateur injoignable" >&2; exit 1; }
}
demarrer --coupure "$coupure" --coupure-repetee
port_coupe=$port
demarrer
chemin=/suivimaj/admin/majs/MAJ9999.zip
adresse="http://127.0.0.1:$port$chemin"

cat "$tmp/service/majs/MAJ9999.zip" > /dev/null # same page cache for every download
# Each download starts with the disk's pending writes flushed, so that none pays for another.
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

# One download through the server's code into the update folder, checked byte for byte.
telecharger() {
    rm -f "$tmp/maj/MAJ9999.zip"
    sync
    local ligne
    ligne=$("$build/bench/telechargement/bench_telechargement" "$1" "$tmp/maj/MAJ9999.zip" "$taille" \
        2>> "$tmp/reprises.log")
    cmp -s "$tmp/maj/MAJ9999.zip" "$tmp/service/majs/MAJ9999.zip" || { echo "fichier téléchargé différent" >&2; exit 1; }
    echo "$ligne"
}
valeur() { sed -n "s/.*$1=\([0-9.-]*\).*/\1/p" <<< "$2"; }

entier=$(telecharger "$adresse")
coupe=$(telecharger "http://127.0.0.1:$port_coupe$chemin")

awk -v s="$(valeur mo_par_s "$entier")" -v c="$curl_bps" -v m="$(valeur croissance_memoire_kio "$entier")" 'BEGIN {
    c = c / 1e6
    printf "téléchargement 1 Gio : serveur %.1f Mo/s, curl %.1f Mo/s, rapport %.2f (objectif >= 0.8)\n", s, c, s / c
    printf "croissance de la mémoire de pointe : %.1f Mio (objectif < 16 Mio)\n", m / 1024
}'
awk -v e="$(valeur secondes "$entier")" -v c="$(valeur secondes "$coupe")" -v t="$(valeur tentatives "$coupe")" \
    -v m="$(valeur croissance_memoire_kio "$coupe")" 'BEGIN {
    printf "coupé tous les 100 Mio : %d tentatives, %.2f s contre %.2f s sans coupure, rapport %.2f (objectif <= 1.3), croissance de la mémoire %.1f Mio\n",
        t, c, e, c / e, m / 1024
}'

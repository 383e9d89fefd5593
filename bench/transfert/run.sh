#!/usr/bin/env bash
# Transfer benchmark: the workstation transfer channel against nginx (sendfile on) serving the
# same files over loopback on the same machine, both read by the same receiving client.
#   one client, a 1 GiB file; 20 clients at once, a 200 MiB file.
# Prints MB/s, the ratio to nginx (target: at least 0.9 for one client, 0.8 for twenty), and
# the growth of the server's peak resident memory over its resident memory after start-up
# (target: under 16 MiB).
# Usage: bench/transfert/run.sh BUILD_DIR
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
hote=$build/bench/transfert/hote-postes
recepteur=$build/bench/transfert/recepteur
nginx_bin=$(command -v nginx || echo /usr/sbin/nginx)
for programme in "$hote" "$recepteur" "$nginx_bin"; do
    [ -x "$programme" ] || { echo "introuvable : $programme (make build, make deps)"; exit 1; }
done

tmp=$(mktemp -d)
pid_hote=""
pid_nginx=""
fin() {
    [ -n "$pid_hote" ] && kill "$pid_hote" 2>/dev/null && wait "$pid_hote" 2>/dev/null
    [ -n "$pid_nginx" ] && kill "$pid_nginx" 2>/dev/null && wait "$pid_nginx" 2>/dev/null
    rm -rf "$tmp"
}
trap fin EXIT

kio() { awk -v c="$2:" '$1 == c { print $2 }' "/proc/$1/status"; }

prog=$tmp/programme
mkdir -p "$prog/maj"
echo "Préparation des fichiers (1 Gio et 200 Mio)..."
head -c $((1024 * 1024 * 1024)) /dev/urandom > "$prog/maj/gros.bin"
head -c $((200 * 1024 * 1024)) /dev/urandom > "$prog/maj/moyen.bin"
"$hote" "$prog" --publier 1 gros.bin --publier 2 moyen.bin
cat "$prog/maj/gros.bin" "$prog/maj/moyen.bin" > /dev/null # both in the page cache

"$hote" "$prog" --ecouter 0 0 > "$tmp/hote.out" &
pid_hote=$!
for _ in $(seq 100); do grep -q pret "$tmp/hote.out" 2>/dev/null && break; sleep 0.1; done
grep -q pret "$tmp/hote.out" || { echo "le serveur n'a pas démarré"; exit 1; }
port_transfert=$(awk '/pret/ { print $3 }' "$tmp/hote.out")
rss_depart=$(kio "$pid_hote" VmRSS)

port_nginx=$("$recepteur" port-libre)
mkdir -p "$tmp/nginx/logs"
utilisateur=""
[ "$(id -u)" = 0 ] && utilisateur="user root;"
cat > "$tmp/nginx/nginx.conf" <<CONF
$utilisateur
worker_processes 1;
pid $tmp/nginx/nginx.pid;
error_log $tmp/nginx/logs/error.log;
events { worker_connections 1024; }
http {
    access_log off;
    sendfile on;
    tcp_nopush on;
    client_body_temp_path $tmp/nginx/body;
    proxy_temp_path $tmp/nginx/proxy;
    fastcgi_temp_path $tmp/nginx/fastcgi;
    uwsgi_temp_path $tmp/nginx/uwsgi;
    scgi_temp_path $tmp/nginx/scgi;
    server {
        listen 127.0.0.1:$port_nginx;
        root $prog/maj;
    }
}
CONF
"$nginx_bin" -p "$tmp/nginx" -c "$tmp/nginx/nginx.conf" -g 'daemon off;' 2> "$tmp/nginx/stderr" &
pid_nginx=$!
for _ in $(seq 100); do
    curl -s -o /dev/null "http://127.0.0.1:$port_nginx/moyen.bin" --range 0-0 && break
    sleep 0.1
done

# MB/s of one run; 0 when it failed.
debit() {
    local sortie
    sortie=$("$recepteur" "$@") || { echo "échec : $sortie" >&2; echo 0; return; }
    sed -n 's/.*mo_s=\([0-9.]*\).*/\1/p' <<< "$sortie"
}
plus_grand() { awk -v a="$1" -v b="$2" 'BEGIN { print (b > a) ? b : a }'; }
# Best of five rounds, the server and nginx taking turns within each round so that both meet
# the same moments of a shared machine (a single run moves by ±20 %): "server nginx" in MB/s.
# Arguments: the server's version and clients, nginx's path.
comparer() {
    local serveur=0 nginx=0
    for _ in 1 2 3 4 5; do
        serveur=$(plus_grand "$serveur" "$(debit quentaris 127.0.0.1 "$port_transfert" "$1" "$2")")
        nginx=$(plus_grand "$nginx" "$(debit http 127.0.0.1 "$port_nginx" "$3" "$2")")
    done
    echo "$serveur $nginx"
}
rapport() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0) ? a / b : 0 }'; }

read -r serveur1 nginx1 <<< "$(comparer 1 1 /gros.bin)"
read -r serveur20 nginx20 <<< "$(comparer 2 20 /moyen.bin)"
pic=$(kio "$pid_hote" VmHWM)

printf "Un client, fichier de 1 Gio     : serveur %8.1f Mo/s, nginx %8.1f Mo/s, rapport %s (cible >= 0.9)\n" \
    "$serveur1" "$nginx1" "$(rapport "$serveur1" "$nginx1")"
printf "20 clients, fichier de 200 Mio  : serveur %8.1f Mo/s, nginx %8.1f Mo/s, rapport %s (cible >= 0.8)\n" \
    "$serveur20" "$nginx20" "$(rapport "$serveur20" "$nginx20")"
awk -v d="$rss_depart" -v p="$pic" 'BEGIN {
    printf "Mémoire résidente du serveur     : %.1f Mio après démarrage, pic %.1f Mio, croissance %.1f Mio (cible < 16 Mio)\n",
        d / 1024, p / 1024, (p - d) / 1024 }'

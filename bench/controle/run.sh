#!/usr/bin/env bash
# Control protocol benchmark: 500 workstations connected at once, each asking "VMAJ01" ten times
# (waiting for each answer) for a version ten updates behind the newest, against a database of
# 1000 downloaded updates. Prints answers per second (target: at least 5000, every answer right)
# and the 50th and 99th percentile latency.
# Usage: bench/controle/run.sh BUILD_DIR
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
hote=$build/bench/transfert/hote-postes
client=$build/bench/controle/banc-controle
for programme in "$hote" "$client"; do
    [ -x "$programme" ] || { echo "introuvable : $programme (make build)"; exit 1; }
done

tmp=$(mktemp -d)
pid_hote=""
fin() {
    [ -n "$pid_hote" ] && kill "$pid_hote" 2>/dev/null && wait "$pid_hote" 2>/dev/null
    rm -rf "$tmp"
}
trap fin EXIT

"$hote" "$tmp" --remplir 1000
"$hote" "$tmp" --ecouter 0 0 > "$tmp/hote.out" &
pid_hote=$!
for _ in $(seq 100); do grep -q pret "$tmp/hote.out" 2>/dev/null && break; sleep 0.1; done
grep -q pret "$tmp/hote.out" || { echo "le serveur n'a pas démarré"; exit 1; }
port_controle=$(awk '/pret/ { print $2 }' "$tmp/hote.out")

sortie=$("$client" 127.0.0.1 "$port_controle" 500 10 990 1000) || true
echo "$sortie" | awk '{
    for (i = 1; i <= NF; ++i) { split($i, kv, "="); v[kv[1]] = kv[2] }
    printf "500 postes x 10 questions VMAJ01 : %d réponses, %d correctes, %.0f réponses/s (cible >= 5000), latence p50 %.2f ms, p99 %.2f ms\n",
        v["reponses"], v["correctes"], v["par_seconde"], v["p50_ms"], v["p99_ms"] }'

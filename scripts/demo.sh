#!/usr/bin/env bash
# Prepares a demo program folder under the build folder, starts the update service simulator
# on a free loopback port, then starts the server on that folder. The simulator offers one
# workstation update and one server update; "Rechercher mises à jour" in the tray menu (or the
# scheduled check, two minutes after the start) downloads them; "Mises à jour en attente"
# then installs the server update into the two demo databases. The simulator stops with the
# server.
set -euo pipefail
build=${1:-build}
racine=$(cd "$(dirname "$0")/.." && pwd)
bin="$racine/$build"
demo="$bin/demo"
service="$demo/service"
mkdir -p "$demo/systeme" "$demo/maj" "$demo/serveur" "$demo/unidata" "$demo/bases/COMPTA" "$demo/bases/PAIE"

[ -f "$service/catalogue.txt" ] || "$bin/quentaris-simulateur" --creer-demo "$service"

"$bin/quentaris-simulateur" --dossier "$service" --utilisateur demo --mot-de-passe demo --bavard \
    > "$demo/simulateur.port" 2> "$demo/simulateur.log" &
simulateur=$!
trap 'kill "$simulateur" 2>/dev/null || true; wait "$simulateur" 2>/dev/null || true' EXIT
port=
for _ in $(seq 1 100); do
    port=$(sed -n 's/^PORT=//p' "$demo/simulateur.port")
    [ -n "$port" ] && break
    kill -0 "$simulateur" 2>/dev/null || { cat "$demo/simulateur.log" >&2; exit 1; }
    sleep 0.1
done
[ -n "$port" ] || { echo "Le simulateur du service de mises à jour ne répond pas." >&2; exit 1; }

# The simulator's port changes at every run: the file is written anew each time.
cat > "$demo/configserv.ini" <<INI
PORT=28000
SERVICE=http://127.0.0.1:$port
DOSSIER_SYSTEME=$demo/systeme
DOSSIER_SERVEUR=$demo/serveur
PARTAGE_UNIDATA=$demo/unidata
INI
# The database server side: two demo databases, listed in BASES.TXT, with their folders in
# quentaris.ini. The demo server update 1002 installs into both.
[ -f "$demo/systeme/quentaris.ini" ] \
    || printf 'SERVEUR=localhost\r\nCOMPTA=%s\r\nPAIE=%s\r\n' "$demo/bases/COMPTA" "$demo/bases/PAIE" \
        > "$demo/systeme/quentaris.ini"
[ -f "$demo/unidata/BASES.TXT" ] || printf 'COMPTA\r\nPAIE\r\n' > "$demo/unidata/BASES.TXT"
[ -f "$demo/donnees.db" ] || "$bin/quentaris-serveur" --home "$demo" --init-db
"$bin/quentaris-simulateur" --parametres-demo "$demo" --utilisateur demo --mot-de-passe demo

echo "Dossier de démonstration : $demo"
echo "Service de mises à jour simulé : http://127.0.0.1:$port (requêtes dans $demo/simulateur.log)"
"$bin/quentaris-serveur" --home "$demo"

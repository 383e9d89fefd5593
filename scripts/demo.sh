#!/usr/bin/env bash
# Prepares a demo program folder under the build folder and starts the server on it.
set -euo pipefail
build=${1:-build}
racine=$(cd "$(dirname "$0")/.." && pwd)
demo="$racine/$build/demo"
mkdir -p "$demo/systeme" "$demo/maj" "$demo/serveur" "$demo/unidata"
[ -f "$demo/configserv.ini" ] || cat > "$demo/configserv.ini" <<INI
PORT=28000
DOSSIER_SYSTEME=$demo/systeme
DOSSIER_SERVEUR=$demo/serveur
PARTAGE_UNIDATA=$demo/unidata
INI
[ -f "$demo/systeme/quentaris.ini" ] || printf 'SERVEUR=localhost\n' > "$demo/systeme/quentaris.ini"
[ -f "$demo/donnees.db" ] || "$racine/$build/quentaris-serveur" --home "$demo" --init-db
echo "Dossier de démonstration : $demo"
exec "$racine/$build/quentaris-serveur" --home "$demo"

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
source "$racine/scripts/simulateur.sh"

mkdir -p "$demo"
[ -f "$service/catalogue.txt" ] || "$bin/quentaris-simulateur" --creer-demo "$service"
demarrer_simulateur "$bin" "$service" "$demo"
trap arreter_simulateur EXIT
"$racine/scripts/preparer-demo.sh" "$bin" "$demo" "$port_simulateur"

echo "Dossier de démonstration : $demo"
echo "Service de mises à jour simulé : http://127.0.0.1:$port_simulateur (requêtes dans $demo/simulateur.log)"
"$bin/quentaris-serveur" --home "$demo"

#!/usr/bin/env bash
# Prepares a demo program folder for the server: configserv.ini pointing at a service
# simulator already listening on SERVICE_PORT, the database server side (two demo databases
# listed in BASES.TXT with their folders in quentaris.ini), donnees.db with the demo settings
# (account demo / demo, check every day two minutes from now); with SANS_PARAMETRES=1, no
# settings, as on the very first start.
# Usage: preparer-demo.sh BIN_DIR DEMO_DIR SERVICE_PORT [CONTROL_PORT] [TRANSFER_PORT]
set -euo pipefail
bin=$1
demo=$2
port_service=$3
port_controle=${4:-28000}
port_transfert=${5:-28001}
mkdir -p "$demo/systeme" "$demo/maj" "$demo/serveur" "$demo/unidata" "$demo/bases/COMPTA" "$demo/bases/PAIE"

# The simulator's port changes at every run: the file is written anew each time.
cat > "$demo/configserv.ini" <<INI
PORT=$port_controle
PORT_TRANSFERT=$port_transfert
SERVICE=http://127.0.0.1:$port_service
DOSSIER_SYSTEME=$demo/systeme
DOSSIER_SERVEUR=$demo/serveur
PARTAGE_UNIDATA=$demo/unidata
INI
[ -f "$demo/systeme/quentaris.ini" ] \
    || printf 'SERVEUR=localhost\r\nCOMPTA=%s\r\nPAIE=%s\r\n' "$demo/bases/COMPTA" "$demo/bases/PAIE" \
        > "$demo/systeme/quentaris.ini"
[ -f "$demo/unidata/BASES.TXT" ] || printf 'COMPTA\r\nPAIE\r\n' > "$demo/unidata/BASES.TXT"
[ -f "$demo/donnees.db" ] || "$bin/quentaris-serveur" --home "$demo" --init-db
[ -n "${SANS_PARAMETRES:-}" ] \
    || "$bin/quentaris-simulateur" --parametres-demo "$demo" --utilisateur demo --mot-de-passe demo

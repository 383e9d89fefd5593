#!/usr/bin/env bash
# A tour of every window of the console on a virtual X display, as an administrator sees it:
# Xvfb, the openbox window manager and a tint2 panel with its notification area. The server
# runs on a demo folder of its own with the update service simulator; the tour opens the menu,
# each screen, the check's status windows, the installation windows and the first-run screen,
# and saves one PNG per window in OUT_DIR (the whole 1024 x 768 screen, panel included).
# What it checks on the way (the second click on the tray icon, the captions the window
# manager shows) is written to OUT_DIR/verifications.txt.
# Usage: captures.sh [BUILD_DIR] [OUT_DIR]    (make captures installs what it needs)
set -euo pipefail
build=${1:-build}
racine=$(cd "$(dirname "$0")/.." && pwd)
bin="$racine/$build"
sortie=$(realpath -m "${2:-$bin/captures}")
travail="$sortie/travail"
rm -rf "$sortie"
mkdir -p "$travail/tmp"
source "$racine/scripts/simulateur.sh"
source "$racine/scripts/captures/fenetres.sh"

# The tour runs in French, whatever the machine's language, and away from any running server.
export LANG=C.UTF-8 TMPDIR="$travail/tmp"
unset XDG_RUNTIME_DIR
pids=()
nettoyer() {
    arreter_simulateur
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[$i]}" 2>/dev/null || true; done
    wait 2>/dev/null || true
}
trap nettoyer EXIT

# The virtual desktop.
n=90
while [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
export DISPLAY=":$n"
Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp > "$travail/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 1 50); do xdpyinfo > /dev/null 2>&1 && break; sleep 0.1; done
openbox > "$travail/openbox.log" 2>&1 &
pids+=($!)
tint2 -c "$racine/scripts/captures/tint2rc" > "$travail/tint2.log" 2>&1 &
pids+=($!)
sleep 2

# The service: the demo updates, made larger so that their downloads can be seen, and a
# database command that takes a few seconds, as a real one does.
service="$travail/service"
"$bin/quentaris-simulateur" --creer-demo "$service"
gonfler_archive "$service/majs/poste/MAJ1001.zip" "$travail"
gonfler_archive "$service/majs/srv/MAJ1002.zip" "$travail" "sleep 3"
# Only the workstation update at first; the server update comes for the scheduled check.
cp "$service/catalogue.txt" "$travail/catalogue-complet.txt"
grep -v '^1002;' "$travail/catalogue-complet.txt" > "$service/catalogue.txt"
demarrer_simulateur "$bin" "$service" "$travail" 0 --pause 40
demo="$travail/demo"
"$racine/scripts/preparer-demo.sh" "$bin" "$demo" "$port_simulateur" 28300 28301
# The PAIE database cannot record the update: its verification fails and the report locks.
mkdir -p "$demo/bases/PAIE/INSTALLMAJ/1002"
debut=$(date +%s)

"$bin/quentaris-serveur" --home "$demo" > "$travail/serveur.log" 2>&1 &
pid_serveur=$!
pids+=($pid_serveur)
verifications="$sortie/verifications.txt"
: > "$verifications"

# 1. The menu opens by itself at start-up, beside the panel.
menu=$(attendre_fenetre "QUENTARIS - Serveur")
sleep 0.5
capturer 01-menu
noter "Menu placé en $(position "$menu") (attendu 791,273 au-dessus d'une barre de 30 pixels)"
# A second click on the tray icon closes it; a third opens it again.
cliquer_icone
sleep 1
if fenetre_visible "QUENTARIS - Serveur"; then noter "ÉCHEC : le second clic sur l'icône n'a pas fermé le menu"
else noter "Second clic sur l'icône : menu fermé"; fi
cliquer_icone
menu=$(attendre_fenetre "QUENTARIS - Serveur")
noter "Troisième clic sur l'icône : menu ouvert"

# 2. The manual check: its status window, then the event viewer.
choisir_entree 2
etat=$(attendre_fenetre "Serveur de mises à jour QUENTARIS")
sleep 0.3
capturer 02-verification-manuelle
attendre_absence "$etat"
obs=$(attendre_fenetre "Serveur de mises à jour QUENTARIS")
sleep 0.5
capturer 03-observateur-evenements
double_clic "$obs" 200 64
detail=$(attendre_fenetre "Serveur de mises à jour QUENTARIS" "$obs")
sleep 0.3
capturer 04-detail-evenement
fermer_par_clavier "$detail" Escape
cliquer "$obs" -160 -24 # Nettoyer la liste
nettoyage=$(attendre_fenetre "Nettoyage de la liste des évenements")
sleep 0.3
capturer 05-nettoyage
xdotool key --window "$nettoyage" alt+Down
sleep 0.5
capturer 06-nettoyage-calendrier
xdotool key Escape
sleep 0.3
xdotool key Escape
attendre_absence "$nettoyage"
fermer "$obs"

# 3. The scheduled check, two minutes after the start: the balloon beside the panel.
cp "$travail/catalogue-complet.txt" "$service/catalogue.txt"
arreter_simulateur
demarrer_simulateur "$bin" "$service" "$travail" "$port_simulateur" --pause 40
if [ -z "${SANS_BULLE:-}" ]; then
    bulle=$(attendre_bulle $((debut + 200)))
    sleep 0.5
    capturer 07-verification-planifiee
    attendre_absence "$bulle"
fi

# 4. Downloaded updates, with the version document that nothing opens here.
choisir_entree 8
dispo=$(attendre_fenetre "Serveur de mises à jour QUENTARIS")
sleep 0.5
capturer 08-historique-telechargements
fermer "$dispo"

# 5. Workstations: one records its version, one stays connected.
"$bin/tools/quentaris-poste/quentaris-poste" --port 28300 --port-transfert 28301 --poste PC-COMPTA \
    --mac 00-11-22-33-44-55 --signaler 1001 > /dev/null 2>&1 || true
"$bin/tools/quentaris-poste/quentaris-poste" --port 28300 --port-transfert 28301 --poste PC-PAIE \
    --utilisateur dupont --attente 30000 > /dev/null 2>&1 &
poste=$!
pids+=($poste)
choisir_entree 3
suivi=$(attendre_fenetre "Serveur de mises à jour QUENTARIS")
sleep 0.5
capturer 09-suivi
double_clic "$suivi" 200 130
machine=$(attendre_fenetre "Suivi des mises à jour")
sleep 0.3
capturer 10-detail-machine
fermer_par_clavier "$machine" Escape
fermer "$suivi"
choisir_entree 7
users=$(attendre_fenetre "Serveur de mises à jour QUENTARIS")
sleep 0.5
capturer 11-utilisateurs-connectes
largeur_avant=$(largeur "$users")
cliquer_bouton "$users" "Actualiser"
sleep 1
capturer 12-utilisateurs-apres-actualiser
noter "Utilisateurs connectés : largeur $largeur_avant avant Actualiser, $(largeur "$users") après"
fermer "$users"
kill "$poste" 2>/dev/null || true
wait "$poste" 2>/dev/null || true

# 6. The server update: pending list, planning, credentials, progress, locked report.
choisir_entree 5
attente=$(attendre_fenetre "Serveur de mises à jour QUENTARIS")
sleep 0.5
capturer 13-mises-a-jour-en-attente
cliquer_bouton "$attente" "Installer la mise à jour"
differe=$(attendre_fenetre "Installation de la mise à jour serveur")
sleep 0.3
capturer 14-installation-differee
xdotool key --window "$differe" alt+v
identification=$(attendre_fenetre "Serveur de mises à jour QUENTARIS" "$attente")
sleep 0.3
capturer 15-identification-unidata
xdotool type --delay 20 "unidata"
xdotool key Tab
xdotool type --delay 20 "secret"
xdotool key Return
attendre_fenetre "Mise à jour des bases de données en cours ..." > /dev/null
sleep 1
capturer 16-mise-a-jour-des-bases
verrou=$(attendre_fenetre "Message QUENTARIS")
sleep 0.5
capturer 17-rapport-verrouille-message
noter "Message de verrouillage en $(position "$verrou"), fenêtre de progression $(fenetre_visible "Mise à jour des bases de données en cours ..." && echo "encore ouverte" || echo "fermée")"
xdotool key Return
sleep 0.5
capturer 18-rapport-verrouille
rapport=$(xdotool getactivewindow)
xdotool type --delay 20 "@v7rumbex"
xdotool key Return
attendre_absence "$rapport"
fermer "$attente"

# 7. The parameters screen, its account check, the folder browser and the proxy screen.
choisir_entree 1
params=$(attendre_fenetre "Serveur de mises à jour QUENTARIS")
sleep 0.5
capturer 19-parametres
cliquer_bouton "$params" "Vérifier configuration"
sleep 2
capturer 20-parametres-verifies
cliquer_bouton "$params" "..."
dossier=$(attendre_fenetre "Choisir un répertoire")
sleep 0.5
capturer 21-choix-du-dossier
fermer_par_clavier "$dossier" Escape
cliquer_bouton "$params" "Configuration proxy"
attendre_fenetre "Message QUENTARIS" > /dev/null
sleep 0.3
capturer 22-avertissement-proxy
xdotool key Return
proxy=$(attendre_fenetre "Serveur de mises à jour QUENTARIS" "$params")
sleep 0.3
capturer 23-proxy
fermer_par_clavier "$proxy" Escape
cliquer_bouton "$params" "Fermer"
attendre_absence "$params"

# 8. Remote maintenance, with no browser on this machine.
choisir_entree 9
attendre_fenetre "Message QUENTARIS" > /dev/null
sleep 0.3
capturer 24-telemaintenance-sans-navigateur
xdotool key Return

kill "$pid_serveur" 2>/dev/null || true
wait "$pid_serveur" 2>/dev/null || true

# 9. The very first start: no settings yet.
premier="$travail/premier"
SANS_PARAMETRES=1 "$racine/scripts/preparer-demo.sh" "$bin" "$premier" "$port_simulateur" 28310 28311
"$bin/quentaris-serveur" --home "$premier" > "$travail/premier.log" 2>&1 &
pid_serveur=$!
pids+=($pid_serveur)
attendre_fenetre "Message QUENTARIS" > /dev/null
sleep 0.5
capturer 25-premier-demarrage-message
xdotool key Return
attendre_fenetre "Serveur de mises à jour QUENTARIS" > /dev/null
sleep 0.5
capturer 26-premier-demarrage-parametres

grep -h "" "$travail/serveur.log" "$travail/premier.log" | grep -v '^[0-9]\{4\}-[0-9][0-9]-[0-9][0-9] [0-9][0-9]:[0-9][0-9]:[0-9][0-9] ' \
    | sed 's/^/Ligne sans horodatage : /' >> "$verifications" || true
echo "Captures dans $sortie"
cat "$verifications"

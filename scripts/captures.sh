#!/usr/bin/env bash
# A tour of every window of the console on a virtual X display, as an administrator sees it:
# Xvfb, the openbox window manager and a tint2 panel with its notification area. The server
# runs on a demo folder of its own with the update service simulator; the tour opens the menu,
# each screen of the menu, the check's status windows and the first-run screen,
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

# The service: the demo updates, made larger so that their downloads can be seen.
service="$travail/service"
"$bin/quentaris-simulateur" --creer-demo "$service"
gonfler_archive "$service/majs/poste/MAJ1001.zip" "$travail"
gonfler_archive "$service/majs/srv/MAJ1002.zip" "$travail"
# Only the workstation update at first; the server update comes for the scheduled check.
cp "$service/catalogue.txt" "$travail/catalogue-complet.txt"
grep -v '^1002;' "$travail/catalogue-complet.txt" > "$service/catalogue.txt"
demarrer_simulateur "$bin" "$service" "$travail" 0 --pause 40
demo="$travail/demo"
"$racine/scripts/preparer-demo.sh" "$bin" "$demo" "$port_simulateur" 28300 28301
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
fermer "$obs"

# 3. The scheduled check, two minutes after the start: the balloon beside the panel.
cp "$travail/catalogue-complet.txt" "$service/catalogue.txt"
arreter_simulateur
demarrer_simulateur "$bin" "$service" "$travail" "$port_simulateur" --pause 40
if [ -z "${SANS_BULLE:-}" ]; then
    if bulle=$(attendre_bulle $((debut + 200))); then
        sleep 0.5
        capturer 07-verification-planifiee
        attendre_absence "$bulle" || true
    else
        noter "ÉCHEC : la bulle de la vérification planifiée n'a pas été vue"
    fi
fi

# 4. Each screen of the menu, as it opens.
"$bin/tools/quentaris-poste/quentaris-poste" --port 28300 --port-transfert 28301 --poste PC-COMPTA \
    --mac 00-11-22-33-44-55 --signaler 1001 > /dev/null 2>&1 || true
"$bin/tools/quentaris-poste/quentaris-poste" --port 28300 --port-transfert 28301 --poste PC-PAIE \
    --utilisateur dupont --attente 60000 > /dev/null 2>&1 &
poste=$!
pids+=($poste)
for ecran in "8 08-historique-telechargements" "3 09-suivi" "7 10-utilisateurs-connectes" \
    "5 11-mises-a-jour-en-attente"; do
    choisir_entree "${ecran%% *}"
    fenetre=$(attendre_fenetre "Serveur de mises à jour QUENTARIS")
    sleep 0.7
    capturer "${ecran#* }"
    fermer "$fenetre"
done

# 5. Remote maintenance, with no browser on this machine.
choisir_entree 9
attendre_fenetre "Message QUENTARIS" > /dev/null
sleep 0.3
capturer 12-telemaintenance-sans-navigateur
xdotool key Return
sleep 0.5

# 6. The parameters screen (it closes only through its own buttons: it stays open).
choisir_entree 1
attendre_fenetre "Serveur de mises à jour QUENTARIS" > /dev/null
sleep 0.7
capturer 13-parametres

# The server refuses to stop while a workstation is connected: that one leaves first.
kill "$poste" 2>/dev/null || true
kill "$pid_serveur" 2>/dev/null || true
for _ in $(seq 1 50); do kill -0 "$pid_serveur" 2>/dev/null || break; sleep 0.1; done
kill -KILL "$pid_serveur" 2>/dev/null || true
wait "$pid_serveur" 2>/dev/null || true

# 7. The very first start: no settings yet.
premier="$travail/premier"
SANS_PARAMETRES=1 "$racine/scripts/preparer-demo.sh" "$bin" "$premier" "$port_simulateur" 28310 28311
"$bin/quentaris-serveur" --home "$premier" > "$travail/premier.log" 2>&1 &
pid_serveur=$!
pids+=($pid_serveur)
attendre_fenetre "Message QUENTARIS" > /dev/null
sleep 0.5
capturer 14-premier-demarrage-message
xdotool key Return
attendre_fenetre "Serveur de mises à jour QUENTARIS" > /dev/null
sleep 0.5
capturer 15-premier-demarrage-parametres

grep -h "" "$travail/serveur.log" "$travail/premier.log" | grep -v '^[0-9]\{4\}-[0-9][0-9]-[0-9][0-9] [0-9][0-9]:[0-9][0-9]:[0-9][0-9] ' \
    | sed 's/^/Ligne sans horodatage : /' >> "$verifications" || true
echo "Captures dans $sortie"
cat "$verifications"

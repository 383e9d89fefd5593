#!/usr/bin/env bash
# A tour of every window of the console on a virtual X display, as an administrator sees it:
# Xvfb, the openbox window manager and a tint2 panel with its notification area. The server
# runs on a demo folder of its own with the update service simulator; the tour opens the menu,
# the check's status windows (manual and scheduled), every screen of the menu and the dialogs
# behind their buttons (Qt's folder browser and calendar, the proxy screen), installs the
# server update twice (a database that fails locks the report, then all goes well), stops the
# server through the menu and shows the first-run screen. Then three passes: keys only on a
# desktop without a notification area (the menu and each screen opened and closed with the
# keyboard); on the same desktop, the sizes the screens remember and the small window that
# stands for the icon (not kept above, minimised by Alt+F4, brought back by a second start);
# and QT_SCALE_FACTOR=2 on a 2048 x 1536 screen. One PNG per window goes to OUT_DIR
# (the whole 1024 x 768 screen, panel included). What it checks on the way (the menu's place,
# the second click on the tray icon, the captions the window manager shows, windows that must
# not move or grow, the lock message's place) is written to OUT_DIR/verifications.txt.
# Usage: captures.sh [BUILD_DIR] [OUT_DIR]    (make captures installs what it needs)
set -Eeuo pipefail
build=${1:-build}
racine=$(cd "$(dirname "$0")/.." && pwd)
bin="$racine/$build"
sortie=$(realpath -m "${2:-$bin/captures}")
travail="$sortie/travail"
rm -rf "$sortie"
mkdir -p "$travail/tmp"
source "$racine/scripts/simulateur.sh"
source "$racine/scripts/captures/fenetres.sh"

# The tour runs in French, whatever the machine's language, away from any running server, and
# with a configuration of its own: sizes a person's windows remember do not change its pictures.
export LANG=C.UTF-8 TMPDIR="$travail/tmp" XDG_CONFIG_HOME="$travail/config"
unset XDG_RUNTIME_DIR
pids=()
# Whatever happened, everything the tour started ends: asked first, then forced.
nettoyer() {
    arreter_simulateur
    local p
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[$i]}" 2> /dev/null || true; done
    for p in "${pids[@]}"; do attendre_fin "$p" 5 || kill -KILL "$p" 2> /dev/null || true; done
    wait 2> /dev/null || true
}
trap nettoyer EXIT
trap 'echo "Tour interrompu à la ligne $LINENO de $(basename "${BASH_SOURCE[0]}") (captures dans $sortie)" >&2' ERR

# A virtual desktop on the next free display: screen size, name of its logs, panel settings.
n=89
bureau_virtuel() {
    n=$((n + 1))
    while [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
    export DISPLAY=":$n"
    Xvfb "$DISPLAY" -screen 0 "$1" -nolisten tcp > "$travail/xvfb$2.log" 2>&1 &
    pids+=($!)
    for _ in $(seq 1 50); do xdpyinfo > /dev/null 2>&1 && break; sleep 0.1; done
    openbox > "$travail/openbox$2.log" 2>&1 &
    pids+=($!)
    tint2 -c "$3" > "$travail/tint2$2.log" 2>&1 &
    pid_tint2=$!
    pids+=($pid_tint2)
}

bureau_virtuel 1024x768x24 "" "$racine/scripts/captures/tint2rc"
sleep 2

# The service: the demo updates, made larger so that their downloads can be seen. The server
# update's database command takes two seconds, and fails for PAIE while the file echec-paie
# exists.
service="$travail/service"
echec="$travail/echec-paie"
"$bin/quentaris-simulateur" --creer-demo "$service"
gonfler_archive "$service/majs/poste/MAJ1001.zip" "$travail"
gonfler_archive "$service/majs/srv/MAJ1002.zip" "$travail" \
    "sleep 2; [ -e '$echec' ] && [ \"\$(basename \"\$4\")\" = PAIE ] && exit 1"
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
ecran="Serveur de mises à jour QUENTARIS"
poste_outil="$bin/tools/quentaris-poste/quentaris-poste"

# 1. The menu opens by itself at start-up, beside the panel.
menu=$(attendre_fenetre "QUENTARIS - Serveur")
sleep 0.5
capturer 01-menu
place=$(position "$menu")
verifier '[ "$place" = 791,273 ]' "Menu placé en $place (attendu 791,273 au-dessus d'une barre de 30 pixels)"
# A second click on the tray icon closes it; a third opens it again.
cliquer_icone
sleep 1
if fenetre_visible "QUENTARIS - Serveur"; then noter "ÉCHEC : le second clic sur l'icône n'a pas fermé le menu"
else noter "Second clic sur l'icône : menu fermé"; fi
cliquer_icone
attendre_fenetre "QUENTARIS - Serveur" > /dev/null
noter "Troisième clic sur l'icône : menu ouvert"

# 2. The manual check: its status window, then the event viewer, an event's detail and the
#    cleanup dialog with Qt's calendar open.
choisir_entree 2
etat=$(attendre_fenetre "$ecran")
sleep 0.3
capturer 02-verification-manuelle
attendre_absence "$etat"
obs=$(attendre_fenetre "$ecran")
sleep 0.5
capturer 03-observateur-evenements
double_clic "$obs" 200 63
detail=$(attendre_fenetre "$ecran" "$obs")
sleep 0.3
capturer 04-detail-evenement
fermer_par_clavier "$detail" Escape
cliquer "$obs" -160 -23
nettoyage=$(attendre_fenetre "Nettoyage de la liste des évenements")
sleep 0.3
cliquer "$nettoyage" -23 42
sleep 0.5
capturer 05-nettoyage-calendrier
xdotool key Escape
sleep 0.3
fermer_par_clavier "$nettoyage" Escape
fermer "$obs"

# 3. The scheduled check, two minutes after the start: the balloon beside the panel.
cp "$travail/catalogue-complet.txt" "$service/catalogue.txt"
arreter_simulateur
demarrer_simulateur "$bin" "$service" "$travail" "$port_simulateur" --pause 40
if bulle=$(attendre_bulle $((debut + 200))); then
    sleep 0.5
    capturer 06-verification-planifiee
    noter "Bulle de la vérification planifiée en $(position "$bulle"), $(taille "$bulle")"
    attendre_absence "$bulle" || true
else
    noter "ÉCHEC : la bulle de la vérification planifiée n'a pas été vue"
fi

# 4. The parameters screen: the account check (nothing may move when its outcome shows),
#    Qt's folder browser behind "...", the proxy warning and the proxy screen.
choisir_entree 1
params=$(attendre_fenetre "$ecran")
sleep 0.7
capturer 07-parametres
cliquer "$params" -101 245
sleep 1.5
capturer 08-parametres-compte-verifie
eval "$(geometrie "$params")"
zone="${WIDTH}x$((HEIGHT - 300 - 40))+$X+$((Y + 300))"
convert "$sortie/07-parametres.png" -crop "$zone" +repage "$travail/avant.png"
convert "$sortie/08-parametres-compte-verifie.png" -crop "$zone" +repage "$travail/apres.png"
ecart=$(compare -metric AE "$travail/avant.png" "$travail/apres.png" null: 2>&1 || true)
verifier '[ "$ecart" = 0 ]' "Paramètres : ${ecart} pixels changés sous le résultat de la vérification du compte (attendu 0)"
cliquer "$params" -40 129
dossier=$(attendre_fenetre "Choisir un répertoire")
sleep 0.7
capturer 09-choix-dossier
fermer_par_clavier "$dossier" Escape
cliquer "$params" 84 -23
attendre_fenetre "Message QUENTARIS" > /dev/null
sleep 0.3
capturer 10-proxy-avertissement
xdotool key Return
proxy=$(attendre_fenetre "$ecran" "$params")
sleep 0.5
capturer 11-proxy
fermer_par_clavier "$proxy" Escape
cliquer "$params" -52 -23
attendre_absence "$params"

# 5. Each screen of the menu, with workstations known and one connected.
"$poste_outil" --port 28300 --port-transfert 28301 --poste PC-COMPTA \
    --mac 00-11-22-33-44-55 --signaler 1001 > /dev/null 2>&1 || true
"$poste_outil" --port 28300 --port-transfert 28301 --poste PC-PAIE \
    --utilisateur dupont --attente 600000 > /dev/null 2>&1 &
poste=$!
pids+=($poste)
for ecran_menu in "8 12-historique-telechargements" "3 13-suivi"; do
    choisir_entree "${ecran_menu%% *}"
    fenetre=$(attendre_fenetre "$ecran")
    sleep 0.7
    capturer "${ecran_menu#* }"
    fermer "$fenetre"
done
choisir_entree 7
utilisateurs=$(attendre_fenetre "$ecran")
sleep 0.7
capturer 14-utilisateurs-connectes
avant=$(taille "$utilisateurs")
cliquer "$utilisateurs" -142 -23
sleep 0.7
capturer 15-utilisateurs-connectes-actualises
apres=$(taille "$utilisateurs")
verifier '[ "$avant" = "$apres" ]' "Utilisateurs connectés : $avant, après « Actualiser » $apres"
fermer "$utilisateurs"

# 6. The server update: the pending list, the scheduling dialog (refused while a workstation
#    is connected; a deferred start asks for confirmation), then two installations.
choisir_entree 5
attente=$(attendre_fenetre "$ecran")
sleep 0.7
capturer 16-mises-a-jour-en-attente
installer() {
    cliquer "$attente" -179 -23
    planification=$(attendre_fenetre "Installation de la mise à jour serveur")
    sleep 0.5
}
installer
capturer 17-installation-planification
xdotool key alt+v
attendre_fenetre "Message QUENTARIS" > /dev/null
sleep 0.3
capturer 18-installation-refusee-poste-connecte
xdotool key Return
sleep 0.5
cliquer "$planification" 18 87
cliquer "$planification" 314 87
xdotool key BackSpace
xdotool type --delay 100 2230
xdotool key alt+v
attendre_fenetre "Message QUENTARIS" > /dev/null
sleep 0.3
capturer 19-installation-differee-confirmation
xdotool key alt+n
sleep 0.5
cliquer "$planification" 18 60
# The workstation leaves; the installation starts once the server has seen it go.
kill "$poste" 2> /dev/null || true
attendre_fin "$poste" 5 || true
attendre_sans_connexion 28300

# The first installation: the PAIE database fails, the report locks.
touch "$echec"
activer "$planification"
xdotool key alt+v
identifiants=$(attendre_fenetre "$ecran" "$attente")
sleep 0.3
capturer 20-identifiants-unidata
xdotool key Return
progression=$(attendre_fenetre "Mise à jour des bases de données en cours ...")
sleep 1
capturer 21-mise-a-jour-des-bases
rapport=$(attendre_fenetre "$ecran" "$attente" "$identifiants")
verrou=$(attendre_fenetre "Message QUENTARIS")
sleep 0.5
capturer 22-rapport-verrouille-message
if xwininfo -id "$progression" 2> /dev/null | grep -q IsViewable; then
    noter "ÉCHEC : la fenêtre de progression est encore affichée sous le message du rapport verrouillé"
else
    noter "Rapport verrouillé : fenêtre de progression fermée"
fi
# Qt centres a message on its window from an estimate of the frame: a few pixels off, not
# the corner of the screen.
read -r rx ry <<< "$(centre "$rapport")"
read -r mx my <<< "$(centre "$verrou")"
verifier '[ $(((rx - mx) * (rx - mx) + (ry - my) * (ry - my))) -le 1600 ]' \
    "Rapport verrouillé : centre du rapport $rx,$ry, centre du message $mx,$my (à moins de 40 pixels)"
xdotool key Return
sleep 0.5
capturer 23-rapport-verrouille
xdotool type --delay 60 '@v7rumbex'
xdotool key Return
attendre_absence "$rapport"

# The second installation: every database is updated.
rm -f "$echec"
installer
xdotool key alt+v
identifiants=$(attendre_fenetre "$ecran" "$attente")
xdotool key Return
rapport=$(attendre_fenetre "$ecran" "$attente" "$identifiants")
sleep 0.5
capturer 24-rapport-installation
cliquer "$rapport" -51 -23
attendre_absence "$rapport"
sleep 0.3
capturer 25-mises-a-jour-installees
fermer "$attente"

# 7. Remote maintenance, with no browser on this machine.
choisir_entree 9
attendre_fenetre "Message QUENTARIS" > /dev/null
sleep 0.3
capturer 26-telemaintenance-sans-navigateur
xdotool key Return
sleep 0.5

# 8. No workstation is connected any more: "Quitter le serveur" stops it.
choisir_entree 0
if attendre_fin "$pid_serveur" 10; then
    noter "Serveur arrêté par « Quitter le serveur »"
else
    noter "ÉCHEC : le serveur ne s'est pas arrêté par « Quitter le serveur »"
    kill -KILL "$pid_serveur" 2> /dev/null || true
fi
wait "$pid_serveur" 2> /dev/null || true

# 9. The very first start: no settings yet. The server then stops on SIGTERM.
premier="$travail/premier"
SANS_PARAMETRES=1 "$racine/scripts/preparer-demo.sh" "$bin" "$premier" "$port_simulateur" 28310 28311
"$bin/quentaris-serveur" --home "$premier" > "$travail/premier.log" 2>&1 &
pid_serveur=$!
pids+=($pid_serveur)
attendre_fenetre "Message QUENTARIS" > /dev/null
sleep 0.5
capturer 27-premier-demarrage-message
xdotool key Return
attendre_fenetre "$ecran" > /dev/null
sleep 0.5
capturer 28-premier-demarrage-parametres
kill "$pid_serveur"
if attendre_fin "$pid_serveur" 10; then
    noter "Serveur du premier démarrage arrêté par SIGTERM"
else
    noter "ÉCHEC : le serveur du premier démarrage ne s'est pas arrêté par SIGTERM"
fi

# 10. Keys only, on a desktop without a notification area: the window that stands for the tray
#     icon opens the menu (Space), the menu's keys open each screen, Escape closes it, Return
#     opens a row's detail; the parameters screen, which only its buttons close, closes by
#     Return ("OK", once the account is checked). "Quitter le serveur" stops the server.
noter "--- Passage au clavier, sans zone de notification ---"
kill "$pid_tint2" 2> /dev/null || true
attendre_fin "$pid_tint2" 5 || true
"$bin/quentaris-serveur" --home "$demo" > "$travail/clavier.log" 2>&1 &
pid_serveur=$!
pids+=($pid_serveur)
menu=$(attendre_fenetre "QUENTARIS - Serveur")
sleep 0.7
verifier 'actif_est "$menu"' "Clavier : le menu ouvert au démarrage a le clavier"
capturer 29-clavier-menu
touches Down Down
capturer 30-clavier-menu-deux-entrees-plus-bas
touches Escape
if attendre_absence "$menu"; then noter "Clavier : menu fermé par Échap"; else noter "ÉCHEC : menu non fermé par Échap"; fi
menu_au_clavier
ecran_au_clavier 31-clavier-historique-telechargements Down Down Return
menu_au_clavier
ecran_au_clavier 32-clavier-utilisateurs-connectes Return
menu_au_clavier
ecran_au_clavier 33-clavier-mises-a-jour-en-attente Down Down Down Down Return
for ecran_detail in "3 34-clavier-suivi 35-clavier-detail-poste Suivi des mises à jour" \
    "5 36-clavier-observateur 37-clavier-detail-evenement $ecran"; do
    read -r descentes capture_ecran capture_detail titre_detail <<< "$ecran_detail"
    menu_au_clavier
    touches $(printf 'Down %.0s' $(seq 1 "$descentes")) Return
    liste=$(attendre_fenetre "$ecran")
    sleep 0.7
    verifier 'actif_est "$liste"' "Clavier : $capture_ecran ouvert au clavier, il a le clavier"
    capturer "$capture_ecran"
    touches Return
    detail=$(attendre_fenetre "$titre_detail" "$liste")
    sleep 0.5
    verifier 'actif_est "$detail"' "Clavier : Entrée sur la première ligne de $capture_ecran ouvre son détail"
    capturer "$capture_detail"
    touches Escape
    verifier 'attendre_absence "$detail"' "Clavier : détail fermé par Échap"
    verifier 'actif_est "$liste"' "Clavier : $capture_ecran a de nouveau le clavier"
    touches Escape
    verifier 'attendre_absence "$liste"' "Clavier : $capture_ecran fermé par Échap"
done
# The manual check: its status window, then the event viewer it opens, closed by Escape.
menu_au_clavier
touches Down Return
obs=$(attendre_observateur)
sleep 0.5
verifier 'actif_est "$obs"' "Clavier : la vérification manuelle (↓ Entrée) ouvre l'observateur, qui a le clavier"
touches Escape
verifier 'attendre_absence "$obs"' "Clavier : observateur fermé par Échap"
# Remote maintenance: without a browser, its message, closed by Return.
menu_au_clavier
touches End Up Up Up Return
message=$(attendre_fenetre "Message QUENTARIS")
sleep 0.3
capturer 38-clavier-telemaintenance-sans-navigateur
touches Return
verifier 'attendre_absence "$message"' "Clavier : message de la télémaintenance fermé par Entrée"
menu_au_clavier
touches End Up Up Return
params=$(attendre_fenetre "$ecran")
sleep 0.7
capturer 39-clavier-parametres
touches Escape
verifier 'fenetre_visible "$ecran"' "Clavier : Échap laisse l'écran des paramètres ouvert (seuls ses boutons le ferment)"
touches Return
verifier 'attendre_absence "$params"' "Clavier : Entrée (« OK ») vérifie le compte, enregistre et ferme les paramètres"
menu_au_clavier
touches End Return
if attendre_fin "$pid_serveur" 10; then
    noter "Clavier : serveur arrêté par Fin puis Entrée (« Quitter le serveur »)"
else
    noter "ÉCHEC : le serveur ne s'est pas arrêté au clavier"
    kill -KILL "$pid_serveur" 2> /dev/null || true
fi

# 11. Still without a notification area: what the screens remember and the small window that
#     stands for the icon. The event viewer, resized and moved, opens again as it was left, in
#     the same run and after a restart; the small window is not kept above the others, Alt+F4
#     only minimises it, and a second start of the program brings back the running one's menu.
noter "--- Passage des tailles retenues et de la fenêtre « QUENTARIS Serveur » ---"
demarrer_sans_zone() {
    "$bin/quentaris-serveur" --home "$demo" > "$travail/memoire$1.log" 2>&1 &
    pid_serveur=$!
    pids+=($pid_serveur)
    menu=$(attendre_fenetre "QUENTARIS - Serveur")
    sleep 0.7
    touches Escape
    attendre_absence "$menu" || true
}
ouvrir_observateur() {
    menu_au_clavier
    touches Down Down Down Down Down Return
    obs=$(attendre_fenetre "$ecran")
    sleep 0.7
}
quitter_au_clavier() {
    menu_au_clavier
    touches End Return
    attendre_fin "$pid_serveur" 10 || { noter "ÉCHEC : le serveur ne s'est pas arrêté au clavier"; kill -KILL "$pid_serveur"; }
}
demarrer_sans_zone 1
acces=$(attendre_fenetre "QUENTARIS Serveur")
etat=$(xprop -id "$acces" _NET_WM_STATE 2> /dev/null || true)
verifier '[[ "$etat" != *ABOVE* ]]' "Fenêtre « QUENTARIS Serveur » : pas gardée au-dessus des autres (${etat#*= })"
ouvrir_observateur
xdotool windowsize "$obs" 1000 560
xdotool windowmove "$obs" 12 40
sleep 0.7
laissee="$(taille "$obs") en $(position "$obs")"
capturer 40-observateur-agrandi
touches Escape
attendre_absence "$obs" || true
ouvrir_observateur
rouverte="$(taille "$obs") en $(position "$obs")"
verifier '[ "$rouverte" = "$laissee" ]' "Observateur rouvert à $rouverte (laissé à $laissee)"
touches Escape
attendre_absence "$obs" || true
quitter_au_clavier
demarrer_sans_zone 2
ouvrir_observateur
rouverte="$(taille "$obs") en $(position "$obs")"
verifier '[ "$rouverte" = "$laissee" ]' "Observateur rouvert après un redémarrage à $rouverte (laissé à $laissee)"
capturer 41-observateur-apres-redemarrage
touches Escape
attendre_absence "$obs" || true
# Alt+F4 on the small window: minimised, never gone, and the server goes on.
acces=$(attendre_fenetre "QUENTARIS Serveur")
activer "$acces"
xdotool key alt+F4
sleep 1
etat=$(xprop -id "$acces" WM_STATE 2> /dev/null | tr -d '\n' || true)
verifier '[[ "$etat" == *Iconic* ]] && kill -0 "$pid_serveur"' \
    "Alt+F4 sur « QUENTARIS Serveur » la réduit ($(sed -n 's/.*window state: //p' <<< "$(xprop -id "$acces" WM_STATE)")), le serveur continue"
capturer 42-fenetre-reduite
# A second start: the message of a second copy, then the running copy's menu and its small window back.
"$bin/quentaris-serveur" --home "$demo" > "$travail/seconde-copie.log" 2>&1 &
pid_seconde=$!
pids+=($pid_seconde)
message=$(pid_serveur=$pid_seconde attendre_fenetre "Message QUENTARIS")
sleep 0.5
capturer 43-seconde-copie
activer "$message"
touches Return
verifier 'attendre_fin "$pid_seconde" 10' "La seconde copie s'arrête après son message"
menu=$(attendre_fenetre "QUENTARIS - Serveur")
sleep 0.5
etat=$(xprop -id "$acces" WM_STATE 2> /dev/null | tr -d '\n' || true)
verifier '[[ "$etat" == *Normal* ]]' "La seconde copie fait revenir la fenêtre « QUENTARIS Serveur » et ouvre le menu du serveur en marche"
capturer 44-menu-rendu-par-la-seconde-copie
touches Escape
attendre_absence "$menu" || true
quitter_au_clavier

# 12. At scale 2 (QT_SCALE_FACTOR=2) on a screen twice as large, with a panel twice as high:
#     the menu and the screens with pictures, to look at their sharpness.
noter "--- Passage à l'échelle 2 (QT_SCALE_FACTOR=2), écran de 2048 x 1536 ---"
sed -e 's/^panel_size = .*/panel_size = 100% 60/' -e 's/^systray_icon_size = .*/systray_icon_size = 44/' \
    -e 's/^task_maximum_size = .*/task_maximum_size = 360 60/' "$racine/scripts/captures/tint2rc" > "$travail/tint2rc-echelle2"
bureau_virtuel 2048x1536x24 -echelle2 "$travail/tint2rc-echelle2"
sleep 2
QT_SCALE_FACTOR=2 "$bin/quentaris-serveur" --home "$demo" > "$travail/echelle2.log" 2>&1 &
pid_serveur=$!
pids+=($pid_serveur)
menu=$(attendre_fenetre "QUENTARIS - Serveur")
sleep 0.7
capturer 45-echelle2-menu
eval "$(geometrie "$menu")"
verifier '[ "${WIDTH}x$HEIGHT" = 466x930 ]' "Échelle 2 : menu de ${WIDTH}x$HEIGHT pixels (attendu 466x930, deux fois 233x465)"
convert "$sortie/45-echelle2-menu.png" -crop "${WIDTH}x$HEIGHT+$X+$Y" +repage "$sortie/46-echelle2-menu-seul.png"
noter "46-echelle2-menu-seul.png : le menu seul, à regarder en taille réelle (icônes des entrées, telnet grisé)"
ecran_au_clavier 47-echelle2-suivi Down Down Down Return
cliquer_icone
attendre_fenetre "QUENTARIS - Serveur" > /dev/null
sleep 0.3
ecran_au_clavier 48-echelle2-observateur Down Down Down Down Down Return
cliquer_icone
attendre_fenetre "QUENTARIS - Serveur" > /dev/null
sleep 0.3
ecran_au_clavier 49-echelle2-historique-telechargements Down Down Return
cliquer_icone
attendre_fenetre "QUENTARIS - Serveur" > /dev/null
sleep 0.3
touches End Return
if attendre_fin "$pid_serveur" 10; then
    noter "Échelle 2 : serveur arrêté par « Quitter le serveur »"
else
    noter "ÉCHEC : le serveur à l'échelle 2 ne s'est pas arrêté"
    kill -KILL "$pid_serveur" 2> /dev/null || true
fi

grep -h "" "$travail/serveur.log" "$travail/premier.log" "$travail/clavier.log" "$travail/echelle2.log" | grep -v '^[0-9]\{4\}-[0-9][0-9]-[0-9][0-9] [0-9][0-9]:[0-9][0-9]:[0-9][0-9] ' \
    | sed 's/^/Ligne sans horodatage : /' >> "$verifications" || true
echo "Captures dans $sortie"
cat "$verifications"
if grep -q 'ÉCHEC\|Ligne sans horodatage' "$verifications"; then
    echo "Le tour a relevé des défauts (voir $verifications)." >&2
    exit 1
fi

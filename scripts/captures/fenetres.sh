# Sourced by captures.sh: finding, driving and capturing the server's windows with xdotool.
# Expects sortie (the output folder), pid_serveur and verifications to be set by the caller.
# Every wait here is bounded: a window that does not come (or does not go) ends the wait
# with a message, never the tour's patience.

noter() { echo "$*" >> "$verifications"; }

# The visible windows of the server with exactly this caption, oldest first.
fenetres() { xdotool search --all --onlyvisible --pid "$pid_serveur" --name "^$1\$" 2> /dev/null || true; }

fenetre_visible() { [ -n "$(fenetres "$1")" ]; }

# attendre_fenetre CAPTION [KNOWN_ID...]: waits for a visible window with this caption that is
# none of the known ones, and prints its id.
attendre_fenetre() {
    local nom=$1 id
    shift
    for _ in $(seq 1 200); do
        for id in $(fenetres "$nom" | tac); do
            [[ " $* " == *" $id "* ]] || { echo "$id"; return 0; }
        done
        sleep 0.1
    done
    echo "fenêtre « $nom » introuvable" >&2
    capturer echec-attente
    return 1
}

attendre_absence() {
    for _ in $(seq 1 300); do
        xwininfo -id "$1" 2> /dev/null | grep -q IsViewable || return 0
        sleep 0.1
    done
    echo "la fenêtre $1 reste ouverte" >&2
    return 1
}

# After a manual check: the event viewer it opens, wider than the status window of the same
# caption that comes first (and may already be gone). Prints its id.
attendre_observateur() {
    local id
    for _ in $(seq 1 300); do
        for id in $(fenetres "$ecran"); do
            WIDTH=0
            eval "$(geometrie "$id")"
            [ "$WIDTH" -ge 700 ] && { echo "$id"; return 0; }
        done
        sleep 0.1
    done
    echo "l'observateur d'évènements n'est pas apparu" >&2
    return 1
}

# The balloon has no caption, so the window manager names it after the program; it lies
# against the right edge of the screen, beside the panel. Waits until the given time
# (seconds since the epoch).
attendre_bulle() {
    local id
    while [ "$(date +%s)" -lt "$1" ]; do
        for id in $(xdotool search --all --onlyvisible --pid "$pid_serveur" --classname '^quentaris-serveur$' \
            2> /dev/null); do
            [ "$(xdotool getwindowname "$id" 2> /dev/null)" = quentaris-serveur ] || continue
            eval "$(geometrie "$id")"
            if [ "$WIDTH" -gt 100 ] && [ $((X + WIDTH)) -eq "$(largeur_ecran)" ]; then
                echo "$id"
                return 0
            fi
        done
        sleep 0.2
    done
    echo "la bulle de la vérification planifiée n'est pas apparue" >&2
    return 1
}

# X, Y, WIDTH and HEIGHT of a window's inside, on the screen. (xdotool's own geometry counts
# the window manager's frame twice.)
geometrie() {
    xwininfo -id "$1" | awk '/Absolute upper-left X/ { print "X=" $4 } /Absolute upper-left Y/ { print "Y=" $4 }
        /^  Width:/ { print "WIDTH=" $2 } /^  Height:/ { print "HEIGHT=" $2 }'
}
position() { (eval "$(geometrie "$1")"; echo "$X,$Y"); }
taille() { (eval "$(geometrie "$1")"; echo "${WIDTH}x$HEIGHT"); }
centre() { (eval "$(geometrie "$1")"; echo "$((X + WIDTH / 2)) $((Y + HEIGHT / 2))"); }
largeur_ecran() { xwininfo -root | awk '/^  Width:/ { print $2 }'; }

# verifier CONDITION MESSAGE: notes the message, marked as a failure when the condition is false.
verifier() {
    if eval "$1"; then noter "$2"; else noter "ÉCHEC : $2"; fi
}

# capturer NAME: the whole screen, and the caption of the active window as the window manager
# has it. A caption with something appended, or a window without an icon, is a failure.
capturer() {
    import -window root "$sortie/$1.png"
    local actif titre=
    actif=$(xdotool getactivewindow 2> /dev/null || true)
    if [ -z "$actif" ] || [ "$(xdotool getwindowpid "$actif" 2> /dev/null)" != "$pid_serveur" ]; then
        noter "$1.png : aucune fenêtre du serveur active"
        return 0
    fi
    titre=$(xprop -id "$actif" _NET_WM_NAME 2> /dev/null | sed -n 's/^_NET_WM_NAME(UTF8_STRING) = //p' || true)
    noter "$1.png : fenêtre active ${titre:-(sans titre)}"
    [[ "$titre" != *" — "* ]] || noter "ÉCHEC : $1.png : le titre porte un suffixe"
    [[ "$(xprop -len 16 -id "$actif" _NET_WM_ICON 2> /dev/null)" == *"(CARDINAL) = "* ]] \
        || noter "ÉCHEC : $1.png : la fenêtre active n'a pas d'icône"
}

# The pointer moves there, as a hand does, and rests a moment before the click.
pointer() {
    xdotool mousemove "$1" "$2"
    sleep 0.2
}

# cliquer ID DX DY: a click at DX, DY inside the window; negative values count from its
# right or bottom edge.
cliquer() {
    local x=$2 y=$3
    eval "$(geometrie "$1")"
    [ "$x" -lt 0 ] && x=$((WIDTH + x))
    [ "$y" -lt 0 ] && y=$((HEIGHT + y))
    pointer $((X + x)) $((Y + y))
    xdotool click 1
    sleep 0.3
}

double_clic() {
    eval "$(geometrie "$1")"
    pointer $((X + $2)) $((Y + $3))
    xdotool click --repeat 2 --delay 80 1
    sleep 0.3
}

activer() { timeout 5 xdotool windowactivate --sync "$1" 2> /dev/null || true; }

fermer() {
    activer "$1"
    xdotool key alt+F4
    attendre_absence "$1" || true
}

fermer_par_clavier() {
    activer "$1"
    xdotool key "$2"
    attendre_absence "$1" || true
}

# touches KEY...: keys typed one after the other, as a person does, nothing else.
touches() {
    xdotool key --delay 200 "$@"
    sleep 0.4
}

# actif_est ID: whether the window manager gives the keyboard to that window.
actif_est() { [ "$(xdotool getactivewindow 2> /dev/null)" = "$1" ]; }

# ecran_au_clavier NAME KEYS...: the menu is open with the keyboard; the keys choose an entry,
# the screen that opens must have the keyboard, is captured as NAME and closed by Escape.
ecran_au_clavier() {
    local nom=$1 id
    shift
    touches "$@"
    id=$(attendre_fenetre "$ecran")
    sleep 0.7
    verifier 'actif_est "$id"' "Clavier : $nom ouvert par « $* », il a le clavier"
    capturer "$nom"
    touches Escape
    if attendre_absence "$id"; then noter "Clavier : $nom fermé par Échap"
    else noter "ÉCHEC : $nom n'est pas fermé par Échap"; fi
}

# menu_au_clavier: without a notification area, the window that stands for the icon gets the
# keyboard (the window manager's Alt+Tab when it is not given it) and Space opens the menu.
menu_au_clavier() {
    local acces menu
    acces=$(attendre_fenetre "QUENTARIS Serveur")
    for _ in 1 2 3 4; do
        actif_est "$acces" && break
        touches alt+Tab
    done
    touches space
    menu=$(attendre_fenetre "QUENTARIS - Serveur")
    sleep 0.3
    verifier 'actif_est "$menu"' "Clavier : menu ouvert par Espace sur la fenêtre « QUENTARIS Serveur », il a le clavier"
}

# The tray icon: the small window of the server embedded in the panel.
cliquer_icone() {
    local id
    for id in $(xdotool search --class "^quentaris-serveur\$" 2> /dev/null); do
        eval "$(geometrie "$id")"
        if [ "$WIDTH" -le 64 ] && [ "$WIDTH" -gt 8 ] && [ "$Y" -ge 0 ]; then
            pointer $((X + WIDTH / 2)) $((Y + HEIGHT / 2))
            xdotool click 1
            return 0
        fi
    done
    echo "icône de la zone de notification introuvable" >&2
    return 1
}

# choisir_entree INDEX: opens the menu when it is closed and clicks the entry of that index.
# Entries from the top: 7, 2, 8, 3, 5, 6, 10, 9, 1, 4, 0.
choisir_entree() {
    local -A hauteur=([7]=90 [2]=129 [8]=163 [3]=197 [5]=232 [6]=266 [10]=305 [9]=339 [1]=374 [4]=408 [0]=442)
    fenetre_visible "QUENTARIS - Serveur" || cliquer_icone
    local menu
    menu=$(attendre_fenetre "QUENTARIS - Serveur")
    sleep 0.3
    cliquer "$menu" 60 "${hauteur[$1]}"
}

# The number of open connections the server holds on this local port, as the system sees them
# (established, or closed by the other side and not yet by the server).
connexions() {
    awk -v port=":$(printf '%04X' "$1")\$" '$2 ~ port && ($4 == "01" || $4 == "08")' /proc/net/tcp /proc/net/tcp6 \
        | wc -l
}

# attendre_sans_connexion PORT: until the server has let go of every connection on that port.
attendre_sans_connexion() {
    for _ in $(seq 1 100); do
        [ "$(connexions "$1")" -eq 0 ] && return 0
        sleep 0.1
    done
    echo "le serveur garde des connexions sur le port $1" >&2
    return 1
}

# attendre_fin PID SECONDS: until the process has ended.
attendre_fin() {
    for _ in $(seq 1 $(($2 * 10))); do
        kill -0 "$1" 2> /dev/null || return 0
        sleep 0.1
    done
    return 1
}

# gonfler_archive ZIP WORK_DIR [COMMAND]: adds 400 KiB to an update archive so that its download
# takes a few seconds; with COMMAND, its database command runs COMMAND first.
gonfler_archive() {
    local zip=$1 dossier=$2/archive
    rm -rf "$dossier"
    mkdir -p "$dossier/INSTALLMAJ"
    head -c 409600 /dev/urandom > "$dossier/DONNEES.BIN"
    (cd "$dossier" && zip -q "$zip" DONNEES.BIN)
    if [ -n "${3:-}" ]; then
        cat > "$dossier/INSTALLMAJ/LANCEMAJCD" <<SH
#!/bin/sh
# LANCEMAJCD <version folder> <drive> VIDE <database folder>
$3
version=\$(basename "\$1")
echo "Mise a jour \$version installee le \$(date '+%d/%m/%Y %H:%M:%S')" > "INSTALLMAJ/\$version"
SH
        chmod 755 "$dossier/INSTALLMAJ/LANCEMAJCD"
        (cd "$dossier" && zip -q "$zip" INSTALLMAJ/LANCEMAJCD)
    fi
}

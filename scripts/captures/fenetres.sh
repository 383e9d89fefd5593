# Sourced by captures.sh: finding, driving and capturing the server's windows with xdotool.
# Expects sortie (the output folder), pid_serveur and verifications to be set by the caller.

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

# The balloon has no caption: the server's borderless window that is neither the menu nor the
# tray icon. Waits until the given time (seconds since the epoch).
attendre_bulle() {
    local id
    while [ "$(date +%s)" -lt "$1" ]; do
        for id in $(fenetres "quentaris-serveur"); do
            [ "$(largeur "$id")" -gt 100 ] && { echo "$id"; return 0; }
        done
        sleep 0.2
    done
    echo "la bulle de la vérification planifiée n'est pas apparue" >&2
    return 1
}

geometrie() { xdotool getwindowgeometry --shell "$1"; }
position() { (eval "$(geometrie "$1")"; echo "$X,$Y"); }
largeur() { (eval "$(geometrie "$1")"; echo "$WIDTH"); }

# capturer NAME: the whole screen, and the caption of the active window as the window manager has it.
capturer() {
    import -window root "$sortie/$1.png"
    local actif titre
    actif=$(xdotool getactivewindow 2> /dev/null || true)
    titre=$( [ -n "$actif" ] && xprop -id "$actif" _NET_WM_NAME 2> /dev/null | sed -n 's/^_NET_WM_NAME(UTF8_STRING) = //p')
    noter "$1.png : fenêtre active ${titre:-(aucune)}"
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

fermer() {
    xdotool windowactivate --sync "$1" 2> /dev/null || true
    xdotool key alt+F4
    attendre_absence "$1" || true
}

fermer_par_clavier() {
    xdotool windowactivate --sync "$1" 2> /dev/null || true
    xdotool key "$2"
    attendre_absence "$1" || true
}

# The tray icon: the small window of the server embedded in the panel.
cliquer_icone() {
    local id
    for id in $(xdotool search --class "^quentaris-serveur\$" 2> /dev/null); do
        eval "$(geometrie "$id")"
        if [ "$WIDTH" -le 32 ] && [ "$WIDTH" -gt 8 ] && [ "$Y" -ge 0 ]; then
            echo "icône $id en $X,$Y ${WIDTH}x$HEIGHT" >&2
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

#!/bin/sh
# Runs a command on a virtual X display of its own, with a window manager when openbox is
# there, as a person's desktop gives it. Exits 77 (skipped) where Xvfb is not installed.
command -v Xvfb >/dev/null 2>&1 || { echo "Xvfb absent : test ignoré"; exit 77; }
dossier=$(mktemp -d)
gestionnaire=
nettoyer() {
    [ -n "$gestionnaire" ] && kill "$gestionnaire" 2>/dev/null
    kill "$affichage" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$dossier"
}
trap nettoyer EXIT
mkfifo "$dossier/numero"
# Xvfb writes its display number once it accepts clients.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$dossier/numero" 2>"$dossier/xvfb.log" &
affichage=$!
read -r numero <"$dossier/numero"
[ -n "$numero" ] || { cat "$dossier/xvfb.log"; exit 1; }
DISPLAY=:$numero
export DISPLAY
if command -v openbox >/dev/null 2>&1; then
    openbox --sm-disable >/dev/null 2>&1 &
    gestionnaire=$!
fi
"$@"

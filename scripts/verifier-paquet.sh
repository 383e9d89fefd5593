#!/bin/bash
# Checks the Debian package as a site lives it, under a real systemd: systemd runs as PID 1 of
# private namespaces (processes, mounts, network, cgroups) on this machine's own system seen
# through an overlay, so that nothing installed or written here reaches the machine itself.
# Each step prints its outcome; the script ends in error when one failed.
#
#   scripts/verifier-paquet.sh [BUILD_DIR]      (as root; `make verifier-paquet` builds first)
set -u

construction=${1:-build}
if [ "$(id -u)" != 0 ]; then
    echo "verifier-paquet : à lancer en root (espaces de noms, systemd)" >&2
    exit 2
fi
paquet=$(ls "$construction"/quentaris-serveur_*_amd64.deb 2> /dev/null | head -n 1)
if [ -z "$paquet" ]; then
    echo "verifier-paquet : aucun paquet dans $construction (make package)" >&2
    exit 2
fi
for outil in unshare nsenter /lib/systemd/systemd sqlite3 runuser; do
    if ! command -v "$outil" > /dev/null; then
        echo "verifier-paquet : $outil manque" >&2
        exit 2
    fi
done

travail=$(mktemp -d /tmp/verifier-paquet.XXXXXX)
nom=$(basename "$travail")
echecs=0
pid1=

# --- The private system --------------------------------------------------------------------

# The cgroup this systemd will take for its root, in each hierarchy the machine mounts.
hierarchies=()
for h in /sys/fs/cgroup/systemd /sys/fs/cgroup/unified /sys/fs/cgroup; do
    if [ -e "$h/cgroup.procs" ]; then
        hierarchies+=("$h")
        [ "$h" = /sys/fs/cgroup ] || continue
        break
    fi
done

finir() {
    if [ -n "$pid1" ] && kill -0 "$pid1" 2> /dev/null; then
        dans systemctl halt > /dev/null 2>&1 || kill -s SIGRTMIN+4 "$pid1" 2> /dev/null
        for _ in $(seq 60); do
            kill -0 "$pid1" 2> /dev/null || break
            sleep 1
        done
        kill -9 "$pid1" 2> /dev/null
    fi
    for h in "${hierarchies[@]}"; do
        [ -d "$h/$nom" ] && find "$h/$nom" -depth -type d -exec rmdir {} + 2> /dev/null
    done
    rm -rf "$travail"
}
trap finir EXIT

dans() {
    nsenter -t "$pid1" -m -p -n -u -i -C -r -w "$@"
}

# What the boot needs in the overlay, written before it is mounted: the package, and a target
# that starts only the system's base (no web server or database of this machine).
mkdir -p "$travail/haut/root" "$travail/haut/etc/systemd/system" "$travail/travail" "$travail/racine"
cp "$paquet" "$travail/haut/root/paquet.deb"
cat > "$travail/haut/etc/systemd/system/verification.target" << 'FIN'
[Unit]
Description=Package check
Requires=basic.target
After=basic.target
AllowIsolate=yes
FIN

cat > "$travail/demarrer" << FIN
#!/bin/sh
set -e
r=$travail/racine
mount -t overlay overlay -o lowerdir=/,upperdir=$travail/haut,workdir=$travail/travail \$r
mount -t proc proc \$r/proc
mount -t sysfs sysfs \$r/sys
mount --rbind /dev \$r/dev
mount -t tmpfs tmpfs \$r/run
mount -t tmpfs tmpfs \$r/tmp
exec chroot \$r env container=verifier-paquet /lib/systemd/systemd --unit=verification.target
FIN
chmod +x "$travail/demarrer"

(
    for h in "${hierarchies[@]}"; do
        mkdir -p "$h/$nom"
        echo "$BASHPID" > "$h/$nom/cgroup.procs"
    done
    exec unshare --pid --fork --mount --uts --ipc --net --cgroup --propagation private "$travail/demarrer"
) > "$travail/systemd.log" 2>&1 &
lanceur=$!
for _ in $(seq 100); do
    pid1=$(pgrep -P "$lanceur" | head -n 1)
    [ -n "$pid1" ] && [ "$(cat "/proc/$pid1/comm" 2> /dev/null)" = systemd ] && break
    pid1=
    sleep 0.2
done

# --- Steps ---------------------------------------------------------------------------------

etape() {
    local titre=$1
    shift
    local sortie
    if sortie=$("$@" 2>&1); then
        printf 'OK      %s\n' "$titre"
    else
        printf 'ÉCHEC   %s\n' "$titre"
        [ -n "$sortie" ] && printf '%s\n' "$sortie" | sed 's/^/        /'
        echecs=$((echecs + 1))
    fi
}

# Waits up to $1 seconds for the command to succeed.
attendre() {
    local limite=$1
    shift
    for _ in $(seq "$limite"); do
        "$@" > /dev/null 2>&1 && return 0
        sleep 1
    done
    "$@"
}

unite=quentaris-serveur.service
programme=/var/lib/quentaris-serveur
journal() { dans journalctl -q -o cat -u "$unite" "$@"; }
propriete() { dans systemctl show -P "$1" "$unite"; }
droits() { # droits <path> <mode owner:group>
    local vu
    vu=$(dans stat -c '%a %U:%G' "$1") || return 1
    [ "$vu" = "$2" ] || {
        echo "$1 : $vu au lieu de $2"
        return 1
    }
}
absent() { ! dans test -e "$1" || {
    echo "$1 existe"
    return 1
}; }
contient() { # contient <text> <command…>: the command's output holds the text
    local texte=$1
    shift
    local sortie
    sortie=$("$@") || return 1
    grep -qF -- "$texte" <<< "$sortie" || {
        printf '%s\n' "$sortie" | tail -n 5
        return 1
    }
}

etape "systemd démarre en PID 1 d'espaces de noms privés" attendre 60 bash -c \
    "[ -n '$pid1' ] && nsenter -t '$pid1' -m -p -r test -S /run/systemd/private && \
     timeout 120 nsenter -t '$pid1' -m -p -r systemctl is-system-running --wait"
if [ -z "$pid1" ]; then
    cat "$travail/systemd.log" >&2
    exit 1
fi

# The site before the package: an administrator, a business user whose files lie in a database
# folder, and no quentaris.ini yet. This machine's image may forbid starting services from
# packages (policy-rc.d, for containers); a site's machine does not.
dans rm -f /usr/sbin/policy-rc.d
dans useradd --create-home --groups sudo admin-site
dans useradd --create-home employe
dans rm -f /etc/quentaris.ini

etape "installation (dpkg -i)" dans dpkg -i /root/paquet.deb
etape "utilisateur et groupe du service créés" dans id quentaris-serveur
etape "l'administrateur rejoint le groupe du service" contient quentaris-serveur dans id -nG admin-site
etape "unité activée au démarrage" contient enabled dans systemctl is-enabled "$unite"
etape "sans quentaris.ini : le service tourne et attend" attendre 20 bash -c \
    "[ \"\$(nsenter -t $pid1 -m -p -r systemctl show -P SubState $unite)\" = running ]"
etape "sans quentaris.ini : dit à la priorité err dans le journal" \
    attendre 20 contient '"/etc/quentaris.ini" est introuvable' journal -p err
etape "sans quentaris.ini : dit sur la ligne d'état" contient '/etc/quentaris.ini' propriete StatusText
etape "sans quentaris.ini : aucun écran de premier démarrage demandé" \
    bash -c "! nsenter -t $pid1 -m -p -r journalctl -q -o cat -u $unite | grep -q 'En attente d.une console'"
sleep 12 # beyond RestartSec: a restart loop would have restarted it by now
etape "sans quentaris.ini : aucun redémarrage" contient 0 propriete NRestarts
etape "chaque ligne du journal porte sa priorité, sans horodatage propre" \
    bash -c "! nsenter -t $pid1 -m -p -r journalctl -q -o cat -u $unite | grep -E '^[0-9]{4}-[0-9]{2}-[0-9]{2} '"

dans cp /usr/share/doc/quentaris-serveur/examples/quentaris.ini /etc/quentaris.ini
etape "quentaris.ini écrit : le démarrage continue de lui-même" \
    attendre 20 contient 'est lisible : le démarrage continue' journal
etape "puis attend la console pour le premier démarrage" \
    attendre 20 contient 'En attente de la configuration' propriete StatusText
etape "toujours aucun redémarrage" contient 0 propriete NRestarts

# Least privilege.
etape "dossier du programme 2770" droits "$programme" "2770 quentaris-serveur:quentaris-serveur"
etape "donnees.db 660" droits "$programme/donnees.db" "660 quentaris-serveur:quentaris-serveur"
etape "donnees.db-wal 660" droits "$programme/donnees.db-wal" "660 quentaris-serveur:quentaris-serveur"
etape "donnees.db-shm 660" droits "$programme/donnees.db-shm" "660 quentaris-serveur:quentaris-serveur"
etape "configserv.ini 640, à root" droits "$programme/configserv.ini" "640 root:quentaris-serveur"
etape "dossier serveur 2750 sous /var/lib" droits "$programme/serveur" "2750 quentaris-serveur:quentaris-serveur"
etape "dossier des mises à jour 2750" droits "$programme/maj" "2750 quentaris-serveur:quentaris-serveur"
etape "ni /opt/quentaris ni /srv/unidata créés" bash -c \
    "! nsenter -t $pid1 -m -r test -e /opt/quentaris && ! nsenter -t $pid1 -m -r test -e /srv/unidata"
sudo_gid=$(dans getent group sudo | cut -d: -f3)
etape "le service hors du groupe sudo" bash -c \
    "p=\$(nsenter -t $pid1 -m -p -r systemctl show -P MainPID $unite); \
     ! nsenter -t $pid1 -m -p -r grep '^Groups:' /proc/\$p/status | grep -qw '$sudo_gid'"
etape "un utilisateur ordinaire ne lit pas donnees.db" bash -c \
    "! nsenter -t $pid1 -m -p -r runuser -u employe -- sqlite3 $programme/donnees.db 'PRAGMA quick_check' 2> /dev/null"
etape "l'administrateur ouvre donnees.db lui-même" contient ok \
    dans runuser -u admin-site -- sqlite3 "$programme/donnees.db" 'PRAGMA quick_check'

# The console of an administrator attaches. A user who is not one cannot enter the program
# folder; going straight to the service's socket, he is refused by the service.
console() { # console <user> <folder>: the desktop program in that user's name, without a display
    dans runuser -u "$1" -- env QT_QPA_PLATFORM=offscreen quentaris-serveur --home "$2" > /dev/null 2>&1 &
}
arreter_console() { # arreter_console <user>
    local p
    p=$(dans pgrep -u "$1" -d ' ')
    [ -z "$p" ] || dans kill $p
}
console admin-site "$programme"
etape "la console de l'administrateur s'attache" \
    attendre 20 contient "Console attachée : l'utilisateur admin-site" journal
arreter_console admin-site
console employe /run/quentaris-serveur
etape "la console d'un utilisateur ordinaire est refusée" \
    attendre 20 contient "Console refusée : l'utilisateur employe" journal
arreter_console employe

# Reinstalling keeps the site's settings, database and business files.
dans mkdir -p /srv/unidata/COMPTA
dans bash -c 'echo données > /srv/unidata/COMPTA/base.dat && chown -R employe:employe /srv/unidata/COMPTA && chmod 0640 /srv/unidata/COMPTA/base.dat'
dans bash -c "printf 'PORT=28000\nDOSSIER_SERVEUR=$programme/serveur\nPARTAGE_UNIDATA=/srv/unidata\n' > $programme/configserv.ini"
avant=$(dans stat -c '%i' "$programme/donnees.db")
pid_avant=$(propriete MainPID)
etape "réinstallation (dpkg -i)" dans dpkg -i /root/paquet.deb
etape "réinstallation : configserv.ini du site gardé" contient PARTAGE_UNIDATA dans cat "$programme/configserv.ini"
etape "réinstallation : donnees.db gardée" bash -c \
    "[ \"\$(nsenter -t $pid1 -m -r stat -c %i $programme/donnees.db)\" = '$avant' ]"
etape "réinstallation : fichiers métier à leur propriétaire" droits /srv/unidata/COMPTA/base.dat "640 employe:employe"
etape "réinstallation : dossier métier à son propriétaire" droits /srv/unidata/COMPTA "755 employe:employe"
etape "réinstallation : le service a redémarré" attendre 20 bash -c \
    "p=\$(nsenter -t $pid1 -m -p -r systemctl show -P MainPID $unite); [ \"\$p\" != 0 ] && [ \"\$p\" != '$pid_avant' ]"

# A service killed comes back; a stop is quick and leaves nothing running.
dans systemctl kill -s KILL --kill-whom=main "$unite"
etape "tué, le service revient" attendre 30 bash -c \
    "[ \"\$(nsenter -t $pid1 -m -p -r systemctl show -P NRestarts $unite)\" -ge 1 ] && \
     [ \"\$(nsenter -t $pid1 -m -p -r systemctl show -P SubState $unite)\" = running ]"
etape "arrêt (systemctl stop) en moins de 30 s" timeout 30 nsenter -t "$pid1" -m -p -r systemctl stop "$unite"
etape "arrêté, aucun processus du service ne reste" bash -c \
    "! nsenter -t $pid1 -m -p -r pgrep -u quentaris-serveur"

# Removal keeps everything; the autostart entry left as a conffile starts nothing.
etape "suppression (dpkg -r)" dans dpkg -r quentaris-serveur
etape "l'entrée de démarrage gardée ne lance rien (TryExec)" contient 'TryExec=/usr/bin/quentaris-serveur' \
    dans cat /etc/xdg/autostart/quentaris-serveur.desktop
etape "suppression : donnees.db gardée" dans test -f "$programme/donnees.db"

# Purge removes what the package made, and nothing of the site's.
etape "purge (dpkg --purge)" dans dpkg --purge quentaris-serveur
etape "purge : le dossier du programme est retiré" absent "$programme"
etape "purge : quentaris.ini du site gardé" dans test -f /etc/quentaris.ini
etape "purge : fichiers métier gardés à leur propriétaire" droits /srv/unidata/COMPTA/base.dat "640 employe:employe"
etape "purge : l'unité n'est plus connue" bash -c \
    "! nsenter -t $pid1 -m -p -r systemctl cat $unite > /dev/null 2>&1"

echo
if [ "$echecs" = 0 ]; then
    echo "Paquet vérifié : toutes les étapes ont réussi."
else
    echo "Paquet : $echecs étape(s) en échec."
    exit 1
fi

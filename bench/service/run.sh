#!/usr/bin/env bash
# The system service (quentaris-service) against the desktop program (quentaris-serveur, offscreen)
# in the same run: each on a program folder of its own holding the same database and the same
# files, both running at once and measured in turns, with the clients of the transfer and
# control benchmarks:
#   transfer to one workstation (a 1 GiB file) and to 20 at once (a 200 MiB file), in MB/s;
#   500 workstations asking "VMAJ01" ten times each, in answers per second (every answer checked);
#   resident memory of each program at rest after start-up, and its peak after the measures.
# Prints both figures side by side (the median of the rounds, and their range) and the ratio
# service / desktop program.
# Usage: bench/service/run.sh BUILD_DIR
# Sizes in MiB: BANC_SERVICE_MIO_1 (one workstation, default 1024), BANC_SERVICE_MIO_20 (default 200);
# rounds of each measure: BANC_SERVICE_TOURS (default 7).
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
bureau=$build/quentaris-serveur
service=$build/quentaris-service
hote=$build/bench/transfert/hote-postes
recepteur=$build/bench/transfert/recepteur
client=$build/bench/controle/banc-controle
for programme in "$bureau" "$service" "$hote" "$recepteur" "$client"; do
    [ -x "$programme" ] || { echo "introuvable : $programme (make build)"; exit 1; }
done
mio1=${BANC_SERVICE_MIO_1:-1024}
mio20=${BANC_SERVICE_MIO_20:-200}
tours=${BANC_SERVICE_TOURS:-7}

tmp=$(mktemp -d)
declare -A pid=()
# Stops one program: SIGTERM, then SIGKILL when it has not ended within ten seconds.
arreter() {
    local p=${pid[$1]:-}
    [ -n "$p" ] || return 0
    kill -TERM "$p" 2>/dev/null || true
    for _ in $(seq 100); do kill -0 "$p" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$p" 2>/dev/null || true
    wait "$p" 2>/dev/null || true
    pid[$1]=""
}
fin() {
    arreter service
    arreter bureau
    rm -rf "$tmp"
}
trap fin EXIT

kio() { awk -v c="$2:" '$1 == c { print $2 }' "/proc/$1/status"; }
# True once something listens on this TCP port (the server listens on every address, IPv6 too).
ecoute() {
    awk -v p="$(printf ':%04X' "$1")" '$4 == "0A" && substr($2, length($2) - 4) == p { trouve = 1 }
        END { exit !trouve }' /proc/net/tcp /proc/net/tcp6
}
declare -A pris=()
port_libre() {
    local p
    while :; do
        p=$("$recepteur" port-libre)
        [ -z "${pris[$p]:-}" ] && { pris[$p]=1; echo "$p"; return; }
    done
}

echo "Préparation des fichiers ($mio1 Mio et $mio20 Mio) et des deux dossiers de programme..."
mkdir -p "$tmp/fichiers"
head -c $((mio1 * 1024 * 1024)) /dev/urandom > "$tmp/fichiers/gros.bin"
head -c $((mio20 * 1024 * 1024)) /dev/urandom > "$tmp/fichiers/moyen.bin"
cat "$tmp/fichiers/gros.bin" "$tmp/fichiers/moyen.bin" > /dev/null # both in the page cache

declare -A executable=([service]=$service [bureau]=$bureau)
declare -A controle=()
declare -A transfert=()
declare -A rss_repos=()
for nom in service bureau; do
    dossier=$tmp/$nom
    mkdir -p "$dossier/systeme" "$dossier/maj" "$dossier/tmp"
    controle[$nom]=$(port_libre)
    transfert[$nom]=$(port_libre)
    printf 'PORT=%s\nPORT_TRANSFERT=%s\nDOSSIER_SYSTEME=%s\n' "${controle[$nom]}" "${transfert[$nom]}" \
        "$dossier/systeme" > "$dossier/configserv.ini"
    printf 'SERVEUR=x\n' > "$dossier/systeme/quentaris.ini"
    "${executable[$nom]}" --home "$dossier" --init-db
    # The same bytes for both: links to one file, read from the same pages.
    ln "$tmp/fichiers/gros.bin" "$tmp/fichiers/moyen.bin" "$dossier/maj/"
    # 1000 updates for the control questions, then the two files as versions 1001 and 1002; the
    # account makes the settings row a configured one (no first-start screen).
    "$hote" "$dossier" --remplir 1000 --publier 1001 gros.bin --publier 1002 moyen.bin --compte banc
done

# Each starts alone; its memory is read once it listens and has been left alone two seconds.
for nom in service bureau; do
    dossier=$tmp/$nom
    if [ "$nom" = bureau ]; then
        env TMPDIR="$dossier/tmp" QT_QPA_PLATFORM=offscreen "$bureau" --home "$dossier" > "$dossier/sortie.log" 2>&1 &
    else
        env -u DISPLAY -u WAYLAND_DISPLAY TMPDIR="$dossier/tmp" "$service" --home "$dossier" > "$dossier/sortie.log" 2>&1 &
    fi
    pid[$nom]=$!
    for _ in $(seq 200); do
        ecoute "${controle[$nom]}" && ecoute "${transfert[$nom]}" && break
        kill -0 "${pid[$nom]}" 2>/dev/null || break
        sleep 0.1
    done
    if ! ecoute "${controle[$nom]}" || ! ecoute "${transfert[$nom]}"; then
        echo "${executable[$nom]##*/} n'a pas démarré :"
        cat "$dossier/sortie.log"
        exit 1
    fi
    sleep 2
    rss_repos[$nom]=$(kio "${pid[$nom]}" VmRSS)
done

# The value of one key=value field of a client's output line; 0 when absent.
champ() { sed -n "s/.*\b$1=\([0-9.]*\).*/\1/p" <<< "$2" | grep . || echo 0; }
# The two programs take turns within each round, the first changing from round to round, so that
# both meet the same moments of a shared machine.
ordre() { if (($1 % 2)); then echo service bureau; else echo bureau service; fi; }
# Median, lowest and highest of the rounds' figures: a single round moves by ±30 % on two shared
# cores, and the best round is the one that moves most.
resume() { tr ' ' '\n' <<< "$1" | grep . | sort -g | awk '{ v[NR] = $1 }
    END { m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; print m, v[1], v[NR] }'; }

declare -A un=() vingt=() par_seconde=()
declare -A reponses=([service]=0 [bureau]=0) correctes=([service]=0 [bureau]=0)
transferer() { # NOM VERSION POSTES -> MB/s, 0 when the transfer failed
    local sortie
    if sortie=$("$recepteur" quentaris 127.0.0.1 "${transfert[$1]}" "$2" "$3" 2>&1); then
        champ mo_s "$sortie"
    else
        echo "${executable[$1]##*/} : échec du transfert : $sortie" >&2
        echo 0
    fi
}
for tour in $(seq $tours); do
    for nom in $(ordre "$tour"); do
        un[$nom]+=" $(transferer "$nom" 1001 1)"
    done
done
for tour in $(seq $tours); do
    for nom in $(ordre "$tour"); do
        vingt[$nom]+=" $(transferer "$nom" 1002 20)"
    done
done
for tour in $(seq $tours); do
    for nom in $(ordre "$tour"); do
        sortie=$("$client" 127.0.0.1 "${controle[$nom]}" 500 10 990 1002 2>&1) || true
        par_seconde[$nom]+=" $(champ par_seconde "$sortie")"
        reponses[$nom]=$((${reponses[$nom]} + $(champ reponses "$sortie")))
        correctes[$nom]=$((${correctes[$nom]} + $(champ correctes "$sortie")))
    done
done
declare -A pic=()
for nom in service bureau; do
    if kill -0 "${pid[$nom]}" 2>/dev/null; then pic[$nom]=$(kio "${pid[$nom]}" VmHWM); else pic[$nom]=0; fi
done

# One line: both medians, their ratio, then the label and the rounds' range (the label last: its
# accents would shift the columns that follow it). Arguments: label, format, both sets of rounds.
ligne() {
    read -r ms bs hs <<< "$(resume "$3")"
    read -r mb bb hb <<< "$(resume "$4")"
    awk -v l="$1" -v f="$2" -v ms="$ms" -v bs="$bs" -v hs="$hs" -v mb="$mb" -v bb="$bb" -v hb="$hb" 'BEGIN {
        printf "%10s %10s %8s   %s", sprintf(f, ms), sprintf(f, mb), (mb > 0) ? sprintf("%.2f", ms / mb) : "-", l
        if (bs != hs || bb != hb)
            printf " [tours : service " f " à " f ", bureau " f " à " f "]", bs, hs, bb, hb
        printf "\n" }'
}
mio() { awk -v k="$1" 'BEGIN { print k / 1024 }'; }
printf "%10s %10s %8s\n" "service" "bureau" "rapport"
ligne "Un poste, fichier de $mio1 Mio (Mo/s)" "%.0f" "${un[service]}" "${un[bureau]}"
ligne "20 postes à la fois, $mio20 Mio (Mo/s)" "%.0f" "${vingt[service]}" "${vingt[bureau]}"
ligne "500 postes x 10 VMAJ01 (réponses/s)" "%.0f" "${par_seconde[service]}" "${par_seconde[bureau]}"
ligne "Mémoire résidente au repos (Mio)" "%.1f" "$(mio "${rss_repos[service]}")" "$(mio "${rss_repos[bureau]}")"
ligne "Mémoire résidente, pic (Mio)" "%.1f" "$(mio "${pic[service]}")" "$(mio "${pic[bureau]}")"
echo "(bureau : quentaris-serveur hors écran ; rapport : service / bureau ; médiane de $tours tours)"
for nom in service bureau; do
    echo "${executable[$nom]##*/} : ${correctes[$nom]} réponses VMAJ01 correctes sur ${reponses[$nom]}"
done

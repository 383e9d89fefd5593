# Sourced by the demo scripts: starts and stops the update service simulator.

# demarrer_simulateur BIN SERVICE_DIR LOG_DIR [PORT] [OPTIONS...]: starts it (on a free port
# unless PORT is given) and sets port_simulateur and pid_simulateur.
demarrer_simulateur() {
    local bin=$1 service=$2 journal=$3 port=${4:-0}
    shift 4 2>/dev/null || shift $#
    "$bin/quentaris-simulateur" --dossier "$service" --utilisateur demo --mot-de-passe demo --bavard \
        --port "$port" "$@" > "$journal/simulateur.port" 2>> "$journal/simulateur.log" &
    pid_simulateur=$!
    port_simulateur=
    for _ in $(seq 1 100); do
        port_simulateur=$(sed -n 's/^PORT=//p' "$journal/simulateur.port")
        [ -n "$port_simulateur" ] && return 0
        kill -0 "$pid_simulateur" 2>/dev/null || { cat "$journal/simulateur.log" >&2; return 1; }
        sleep 0.1
    done
    echo "Le simulateur du service de mises à jour ne répond pas." >&2
    return 1
}

arreter_simulateur() {
    [ -n "${pid_simulateur:-}" ] || return 0
    kill "$pid_simulateur" 2>/dev/null || true
    wait "$pid_simulateur" 2>/dev/null || true
    pid_simulateur=
}

#include "SignauxArret.h"

#include <QSocketNotifier>

#ifdef Q_OS_UNIX
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {
int g_paire[2] = {-1, -1};
}

SignauxArret::SignauxArret(QObject* parent) : QObject(parent)
{
#ifdef Q_OS_UNIX
    // Close-on-exec: a program started by the server must never be able to stop it.
    if (g_paire[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_paire) != 0)
        return;
    ::fcntl(g_paire[1], F_SETFL, O_NONBLOCK);
    m_notificateur = new QSocketNotifier(g_paire[0], QSocketNotifier::Read, this);
    connect(m_notificateur, &QSocketNotifier::activated, this, [this] {
        char c = 0;
        if (::read(g_paire[0], &c, 1) > 0)
            emit arretDemande();
    });
    struct sigaction action
    {
    };
    action.sa_handler = &SignauxArret::surSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
#endif
}

SignauxArret::~SignauxArret()
{
#ifdef Q_OS_UNIX
    ::signal(SIGTERM, SIG_DFL);
    ::signal(SIGINT, SIG_DFL);
#endif
}

void SignauxArret::surSignal(int)
{
#ifdef Q_OS_UNIX
    const char c = 1;
    [[maybe_unused]] auto n = ::write(g_paire[1], &c, 1);
#endif
}

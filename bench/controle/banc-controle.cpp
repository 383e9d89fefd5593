// Control protocol benchmark client: N workstations connected at once, each asking "VMAJ01"
// Q times, waiting for each answer before the next question, and checking every answer.
//
//   banc-controle HOTE PORT N Q VERSION DERNIERE
//
// The expected answer lists the versions VERSION+1 to DERNIERE. Prints the answers, how many
// were right, answers per second and the 50th and 99th percentile latency.

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <string>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

using Horloge = std::chrono::steady_clock;

struct Poste
{
    int fd = -1;
    int posees = 0;
    std::string recu;
    Horloge::time_point depart;
};

} // namespace

int main(int argc, char** argv)
{
    if (argc != 7) {
        std::fprintf(stderr, "usage : banc-controle HOTE PORT N Q VERSION DERNIERE\n");
        return 2;
    }
    const char* hote = argv[1];
    const int port = std::atoi(argv[2]);
    const int n = std::atoi(argv[3]);
    const int q = std::atoi(argv[4]);
    const long long version = std::atoll(argv[5]);
    const long long derniere = std::atoll(argv[6]);

    rlimit limite{};
    if (getrlimit(RLIMIT_NOFILE, &limite) == 0) {
        limite.rlim_cur = limite.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limite);
    }

    std::string attendu = "MAJOK1|";
    for (long long v = version + 1; v <= derniere; ++v) {
        if (v > version + 1)
            attendu += '\xFE';
        attendu += std::to_string(v);
    }
    if (version >= derniere)
        attendu = "MAJOK0";
    const std::string question = "VMAJ01#" + std::to_string(version);

    std::vector<Poste> postes(static_cast<size_t>(n));
    sockaddr_in adresse{};
    adresse.sin_family = AF_INET;
    adresse.sin_port = htons(static_cast<uint16_t>(port));
    inet_pton(AF_INET, hote, &adresse.sin_addr);
    for (Poste& p : postes) {
        p.fd = socket(AF_INET, SOCK_STREAM, 0);
        if (connect(p.fd, reinterpret_cast<sockaddr*>(&adresse), sizeof adresse) != 0) {
            std::perror("connect");
            return 1;
        }
        int oui = 1;
        setsockopt(p.fd, IPPROTO_TCP, TCP_NODELAY, &oui, sizeof oui);
    }

    auto poser = [&](Poste& p) {
        p.recu.clear();
        p.depart = Horloge::now();
        ++p.posees;
        if (send(p.fd, question.data(), question.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(question.size())) {
            std::perror("send");
            std::exit(1);
        }
    };

    std::vector<double> latences;
    latences.reserve(static_cast<size_t>(n) * static_cast<size_t>(q));
    int correctes = 0;
    int restants = n;
    const auto debut = Horloge::now();
    for (Poste& p : postes)
        poser(p);

    std::vector<pollfd> attente(postes.size());
    char tampon[65536];
    while (restants > 0) {
        for (size_t i = 0; i < postes.size(); ++i)
            attente[i] = {postes[i].posees <= q ? postes[i].fd : -1, POLLIN, 0};
        if (poll(attente.data(), attente.size(), 30000) <= 0) {
            std::fprintf(stderr, "plus de réponse\n");
            return 1;
        }
        for (size_t i = 0; i < postes.size(); ++i) {
            if (attente[i].revents == 0)
                continue;
            Poste& p = postes[i];
            const ssize_t lu = recv(p.fd, tampon, sizeof tampon, MSG_DONTWAIT);
            if (lu < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
                continue;
            if (lu <= 0) {
                std::fprintf(stderr, "connexion fermée par le serveur\n");
                return 1;
            }
            p.recu.append(tampon, static_cast<size_t>(lu));
            if (p.recu.size() < attendu.size())
                continue;
            latences.push_back(std::chrono::duration<double, std::milli>(Horloge::now() - p.depart).count());
            if (p.recu == attendu)
                ++correctes;
            if (p.posees < q) {
                poser(p);
            } else {
                p.posees = q + 1;
                --restants;
            }
        }
    }
    const double secondes = std::chrono::duration<double>(Horloge::now() - debut).count();
    for (Poste& p : postes)
        close(p.fd);
    std::sort(latences.begin(), latences.end());
    auto centile = [&](double c) {
        return latences.empty() ? 0.0 : latences[std::min(latences.size() - 1, size_t(c / 100.0 * latences.size()))];
    };
    std::printf("reponses=%zu correctes=%d secondes=%.3f par_seconde=%.0f p50_ms=%.2f p99_ms=%.2f\n", latences.size(),
                correctes, secondes, latences.size() / secondes, centile(50), centile(99));
    return correctes == static_cast<int>(latences.size()) ? 0 : 1;
}

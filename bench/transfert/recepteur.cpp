// The receiving side of the transfer benchmark: opens N connections at once, asks each for the
// same file, counts and discards the bytes. The same code reads the server and nginx; only the
// request differs.
//
//   recepteur quentaris HOTE PORT VERSION N
//   recepteur http HOTE PORT CHEMIN N
//   recepteur port-libre          (prints a TCP port free at that moment)
//
// Prints: octets=<file bytes received> secondes=<elapsed> mo_s=<MB/s> erreurs=<count>

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

enum class Phase
{
    Taille,
    Fichier,
    EnTetes,
    Corps,
    Fini
};

struct Connexion
{
    int fd = -1;
    Phase phase = Phase::Taille;
    std::string entete;
    long long taille = 0; // file bytes
    long long attendu = 0; // bytes of the stream still to read
    long long recu = 0; // file bytes received
};

constexpr long long kBloc = 4096;

int connecter(const char* hote, int port)
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in adresse{};
    adresse.sin_family = AF_INET;
    adresse.sin_port = htons(static_cast<uint16_t>(port));
    inet_pton(AF_INET, hote, &adresse.sin_addr);
    if (connect(fd, reinterpret_cast<sockaddr*>(&adresse), sizeof adresse) != 0) {
        std::perror("connect");
        std::exit(1);
    }
    return fd;
}

void envoyer(int fd, const std::string& texte)
{
    if (send(fd, texte.data(), texte.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(texte.size())) {
        std::perror("send");
        std::exit(1);
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "port-libre") == 0) {
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in adresse{};
        adresse.sin_family = AF_INET;
        adresse.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t longueur = sizeof adresse;
        if (bind(fd, reinterpret_cast<sockaddr*>(&adresse), sizeof adresse) != 0
            || getsockname(fd, reinterpret_cast<sockaddr*>(&adresse), &longueur) != 0)
            return 1;
        std::printf("%d\n", ntohs(adresse.sin_port));
        close(fd);
        return 0;
    }
    if (argc != 6) {
        std::fprintf(stderr, "usage : recepteur quentaris|http HOTE PORT VERSION|CHEMIN N\n");
        return 2;
    }
    const bool http = std::strcmp(argv[1], "http") == 0;
    const char* hote = argv[2];
    const int port = std::atoi(argv[3]);
    const std::string cible = argv[4];
    const int n = std::atoi(argv[5]);

    std::vector<Connexion> connexions(static_cast<size_t>(n));
    for (Connexion& c : connexions) {
        c.fd = connecter(hote, port);
        c.phase = http ? Phase::EnTetes : Phase::Taille;
    }
    const auto debut = std::chrono::steady_clock::now();
    for (Connexion& c : connexions) {
        if (http)
            envoyer(c.fd, "GET " + cible + " HTTP/1.1\r\nHost: " + hote + "\r\nConnection: close\r\n\r\n");
        else
            envoyer(c.fd, "RCPMAJ " + cible);
    }

    std::vector<char> tampon(256 * 1024);
    std::vector<pollfd> attente;
    std::vector<Connexion*> prets;
    int restantes = n;
    int erreurs = 0;
    while (restantes > 0) {
        attente.clear();
        prets.clear();
        for (Connexion& c : connexions) {
            if (c.phase != Phase::Fini) {
                attente.push_back({c.fd, POLLIN, 0});
                prets.push_back(&c);
            }
        }
        if (poll(attente.data(), attente.size(), 30000) <= 0) {
            std::fprintf(stderr, "plus rien n'arrive\n");
            return 1;
        }
        for (size_t i = 0; i < attente.size(); ++i) {
            if (attente[i].revents == 0)
                continue;
            Connexion& c = *prets[i];
            const ssize_t lu = recv(c.fd, tampon.data(), tampon.size(), MSG_DONTWAIT);
            if (lu < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
                continue;
            if (lu <= 0) {
                ++erreurs;
                c.phase = Phase::Fini;
                --restantes;
                continue;
            }
            long long utile = lu;
            if (c.phase == Phase::Taille) {
                c.taille = std::atoll(std::string(tampon.data(), static_cast<size_t>(lu)).c_str());
                c.attendu = (c.taille / kBloc + 1) * kBloc;
                c.phase = Phase::Fichier;
                envoyer(c.fd, "OKMAJ0");
                continue;
            }
            if (c.phase == Phase::EnTetes) {
                c.entete.append(tampon.data(), static_cast<size_t>(lu));
                const size_t fin = c.entete.find("\r\n\r\n");
                if (fin == std::string::npos)
                    continue;
                const size_t longueur = c.entete.find("Content-Length: ");
                c.taille = longueur == std::string::npos ? 0 : std::atoll(c.entete.c_str() + longueur + 16);
                c.attendu = c.taille;
                utile = static_cast<long long>(c.entete.size() - (fin + 4));
                c.phase = Phase::Corps;
            }
            c.attendu -= utile;
            c.recu += utile;
            if (c.attendu <= 0) {
                if (c.attendu < 0)
                    ++erreurs;
                c.phase = Phase::Fini;
                --restantes;
            }
        }
    }
    const double secondes = std::chrono::duration<double>(std::chrono::steady_clock::now() - debut).count();
    long long fichier = 0;
    for (const Connexion& c : connexions) {
        fichier += c.taille;
        close(c.fd);
    }
    std::printf("octets=%lld secondes=%.3f mo_s=%.1f erreurs=%d\n", fichier, secondes, fichier / secondes / 1e6,
                erreurs);
    return erreurs == 0 ? 0 : 1;
}

// Downloads one file through the server's request code (its retries and resumes included) and
// prints its rate, the growth of the process's peak memory and the attempts it took.
// Usage: bench_telechargement ADDRESS FILE SIZE

#include "acquisition/RequeteWeb.h"
#include "core/BaseInterne.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

namespace {

// A line of /proc/self/status, in KiB.
qint64 memoire(const char* nom)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& ligne : f.readAll().split('\n'))
        if (ligne.startsWith(nom))
            return ligne.mid(qstrlen(nom)).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 4) {
        std::fprintf(stderr, "usage : bench_telechargement ADRESSE FICHIER TAILLE\n");
        return 2;
    }
    // The requests read the proxy settings from the internal database.
    QTemporaryDir dossier;
    BaseInterne::Initialiser(QDir(dossier.path()).filePath(BaseInterne::NomFichier()));

    const qint64 taille = args.at(3).toLongLong();
    const qint64 avant = memoire("VmRSS:");
    QElapsedTimer chrono;
    int code = 1;
    chrono.start();
    RequeteWebBinaire(args.at(1), args.at(2), taille, &app, [&](const ResultatTelechargement& r) {
        const double secondes = chrono.nsecsElapsed() / 1e9;
        const qint64 crete = memoire("VmHWM:");
        if (r.Issue == IssueTelechargement::Reussi) {
            std::printf("octets=%lld secondes=%.3f mo_par_s=%.1f croissance_memoire_kio=%lld tentatives=%d\n",
                        static_cast<long long>(r.Recus), secondes, r.Recus / secondes / 1e6,
                        static_cast<long long>(crete - avant), r.Tentatives);
            code = 0;
        } else {
            std::fprintf(stderr, "échec : %s\n", qPrintable(r.Erreur));
        }
        QCoreApplication::exit(code);
    });
    QCoreApplication::exec();
    return code;
}

#pragma once

#include <QVector>
#include <QtGlobal>

// Every limit of the web requests and downloads, in one place. The program uses the values
// below; tests shorten them.
struct LimitesWeb
{
    LimitesWeb(); // the program's values

    // An exchange that receives nothing for this long is cut: a stall.
    int SansDonneesMs = 60 * 1000;
    // An exchange whose body comes at less than DebitMinimal bytes per second, averaged over
    // each span of FenetreDebitMs, is cut like a stall: a trickle.
    qint64 DebitMinimal = 1024;
    int FenetreDebitMs = 5 * 60 * 1000;
    // Waits before the new attempts of a download that failed for a passing reason; there are
    // as many retries as waits.
    QVector<int> RelancesMs = {10 * 1000, 30 * 1000, 90 * 1000};
    // An attempt that grew the file by at least this many bytes before failing proved the
    // link works: it is resumed at once and not counted among the retries.
    qint64 ProgresSuffisant = 1024 * 1024;
    // Largest file kept when no size is announced (the documentation), so that a body
    // without end never fills the update folder's disk.
    qint64 TailleMaxSansAnnonce = 256 * 1024 * 1024;
    // Longest text answer kept.
    qint64 TailleMaxTexte = 16 * 1024 * 1024;
    // Redirections followed for one request.
    int RedirectionsMax = 10;
};

namespace RequeteWeb {

const LimitesWeb& Limites();
void FixerLimites(const LimitesWeb& limites);

} // namespace RequeteWeb

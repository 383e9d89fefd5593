#pragma once

#include <QByteArray>
#include <QFile>
#include <QHostAddress>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTcpSocket>

// One of the programs as a process, on a program folder of the test, in the session folder of
// the test; killed with the object when still running.
struct Programme
{
    QProcess processus;
    // A launcher (prlimit, setpriv …) runs the program in its own process, with the same id.
    Programme(const QString& programme, const QStringList& arguments, const QStringList& lanceur = {},
              const QProcessEnvironment& environnement = QProcessEnvironment::systemEnvironment())
    {
        processus.setProcessEnvironment(environnement);
        processus.setProgram(lanceur.isEmpty() ? programme : lanceur.first());
        processus.setArguments(lanceur.isEmpty() ? arguments : lanceur.mid(1) + QStringList{programme} + arguments);
        processus.start();
    }
    // Everything written to standard error so far.
    QString Erreurs()
    {
        m_erreurs += QString::fromUtf8(processus.readAllStandardError());
        return m_erreurs;
    }
    // Processor time used so far, user and system, in clock ticks.
    qint64 TempsProcesseur() const
    {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(processus.processId()));
        if (!stat.open(QIODevice::ReadOnly))
            return -1;
        // The fields after the command's name, which may hold spaces, start with the state (field 3).
        const QList<QByteArray> champs = stat.readAll().split(')').last().simplified().split(' ');
        return champs.size() > 12 ? champs.at(11).toLongLong() + champs.at(12).toLongLong() : -1;
    }
    ~Programme()
    {
        if (processus.state() != QProcess::NotRunning) {
            processus.kill();
            processus.waitForFinished();
        }
    }

private:
    QString m_erreurs;
};

// The desktop program.
struct Serveur : Programme
{
    explicit Serveur(const QStringList& arguments, const QStringList& lanceur = {})
        : Programme(QStringLiteral(QUENTARIS_BINAIRE), arguments, lanceur)
    {
    }
};

inline bool accepte(quint16 port)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    return socket.waitForConnected(200);
}

// One question and its answer on a fresh connection; empty when nothing came back in time.
inline QByteArray echange(quint16 port, const QByteArray& question)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(1000))
        return QByteArray();
    socket.write(question);
    return socket.waitForReadyRead(2000) ? socket.readAll() : QByteArray();
}

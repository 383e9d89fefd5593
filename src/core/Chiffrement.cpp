#include "Chiffrement.h"

#include <QByteArray>
#include <sodium.h>

namespace ChiffrementMotDePasse {

namespace {

QByteArray cleDerivee(const QString& cle)
{
    const QByteArray texte = cle.toUtf8();
    QByteArray derivee(crypto_secretbox_KEYBYTES, Qt::Uninitialized);
    crypto_generichash(reinterpret_cast<unsigned char*>(derivee.data()), derivee.size(),
                       reinterpret_cast<const unsigned char*>(texte.constData()), texte.size(), nullptr, 0);
    return derivee;
}

bool pret()
{
    return sodium_init() >= 0;
}

} // namespace

QString Chiffrer(const QString& texte, const QString& cle)
{
    if (!pret())
        return {};
    const QByteArray clair = texte.toUtf8();
    const QByteArray k = cleDerivee(cle);
    QByteArray sortie(crypto_secretbox_NONCEBYTES + crypto_secretbox_MACBYTES + clair.size(), Qt::Uninitialized);
    auto* nonce = reinterpret_cast<unsigned char*>(sortie.data());
    randombytes_buf(nonce, crypto_secretbox_NONCEBYTES);
    crypto_secretbox_easy(nonce + crypto_secretbox_NONCEBYTES,
                          reinterpret_cast<const unsigned char*>(clair.constData()), clair.size(), nonce,
                          reinterpret_cast<const unsigned char*>(k.constData()));
    return QString::fromLatin1(sortie.toBase64());
}

QString Dechiffrer(const QString& texte, const QString& cle)
{
    if (texte.isEmpty() || !pret())
        return {};
    const auto decodage = QByteArray::fromBase64Encoding(texte.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!decodage)
        return {};
    const QByteArray& donnees = *decodage;
    const int entete = crypto_secretbox_NONCEBYTES + crypto_secretbox_MACBYTES;
    if (donnees.size() < entete)
        return {};
    const QByteArray k = cleDerivee(cle);
    QByteArray clair(donnees.size() - entete, Qt::Uninitialized);
    const auto* nonce = reinterpret_cast<const unsigned char*>(donnees.constData());
    if (crypto_secretbox_open_easy(reinterpret_cast<unsigned char*>(clair.data()), nonce + crypto_secretbox_NONCEBYTES,
                                   donnees.size() - crypto_secretbox_NONCEBYTES, nonce,
                                   reinterpret_cast<const unsigned char*>(k.constData()))
        != 0)
        return {};
    return QString::fromUtf8(clair);
}

} // namespace ChiffrementMotDePasse
